# cmake --install of the build BUILD_DIR into a scratch prefix; the installed
# program must run the installed example on its own (no path into the build or
# the sources), and the manual page must be in place.
set(prefix ${BUILD_DIR}/install_check)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --config ${CONFIG}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
foreach(f bin/querbal share/man/man1/querbal.1 share/querbal/examples/marco_zapatas.dat
          share/querbal/examples/losa_zapata_aislada.dat share/querbal/examples/reticula_no_lineal.dat
          share/querbal/examples/reticula_janbu.dat bin/querbal-building bin/querbal-sweep bin/querbal-plot
          share/doc/querbal/data-format.md)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(READ ${prefix}/share/man/man1/querbal.1 man)
if(NOT man MATCHES "\\.TH QUERBAL 1 [^\n]*querbal [0-9]+\\.[0-9]+\\.[0-9]+")
  message(FATAL_ERROR "the manual page carries no version")
endif()
execute_process(COMMAND ${prefix}/bin/querbal -q ${prefix}/share/querbal/examples/marco_zapatas.dat -C ${prefix}/run
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT EXISTS ${prefix}/run/marco_zapatas_resultados.txt OR NOT EXISTS ${prefix}/run/marco_zapatas.pvd)
  message(FATAL_ERROR "the installed querbal did not run its example: ${rc}")
endif()
file(REMOVE_RECURSE ${prefix})
