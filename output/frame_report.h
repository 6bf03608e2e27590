// Report sections of the frame: uniform loads per bar, total load, bar end
// forces and the force tables along axes.
#pragma once

#include <cstdint>

#include "frame/diagrams.h"
#include "model/model.h"
#include "textio/lineform.h"

namespace qb::inline QB_ARITH {

// "CARGAS UNIFORMES DETERMINADAS EN CADA BARRA": the six load columns of every
// bar before the self weight joins them (written before the assembly).
void report_uniform_loads(const Model& m, Channel& report);

// The total load of the structure and the mean contact pressure qmax (after
// the assembly).
void report_total_load(const Model& m, Channel& report);

// The twelve end forces of every bar, in local axes, of the case solved.
void report_bar_forces(const Model& m, const CaseState& st, Channel& report);

// "DIAGRAMAS DE ELEMENTOS MECANICOS POR EJE": one table per axis.
class DiagramReport : public DiagramSink {
public:
    DiagramReport(const Model& m, Channel& report);
    void axis(int32_t i) override;
    void point(const DiagramPoint& p) override;

private:
    const Model& m_;
    Channel& report_;
};

} // namespace qb
