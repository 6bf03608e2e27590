#!/usr/bin/python3
"""Renders one case of a querbal run the way ParaView shows it: the frame as
read (thin grey lines) and the frame warped by its displacements, coloured by
the vertical displacement dz with ParaView's default "Cool to Warm" map, on
ParaView's default background.

usage: render_example.py CASE.vtu OUT.png [--scale S] [--size WxH]

The scale multiplies the displacements; by default the largest one is drawn
as a tenth of the size of the frame. VTK needs an X display to render: on a
machine without one run it under xvfb-run, e.g.

    xvfb-run -a /usr/bin/python3 scripts/render_example.py run/reticula_janbu_case2.vtu doc/example.png

Needs the distribution's VTK for Python (Debian package python3-vtk9).
"""
import argparse
import sys

try:
    import vtk
except ImportError:
    sys.exit("render_example.py: no VTK module in %s; install python3-vtk9 and run /usr/bin/python3" % sys.executable)

# ParaView's defaults: background, the "Cool to Warm" map and its midpoint.
BACKGROUND = (0.32, 0.34, 0.43)
COOL, MID, WARM = (0.231, 0.298, 0.753), (0.865, 0.865, 0.865), (0.706, 0.016, 0.149)


def field_text(grid, name, index=0):
    a = grid.GetFieldData().GetAbstractArray(name)
    if a is None or a.GetNumberOfValues() <= index:
        return ""
    return a.GetVariantValue(index).ToString().strip()


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("vtu")
    ap.add_argument("png")
    ap.add_argument("--scale", type=float, default=0.0)
    ap.add_argument("--size", default="1200x800")
    args = ap.parse_args()
    width, height = (int(v) for v in args.size.lower().split("x"))

    reader = vtk.vtkXMLUnstructuredGridReader()
    reader.SetFileName(args.vtu)
    reader.Update()
    grid = reader.GetOutput()
    if grid.GetNumberOfPoints() == 0:
        sys.exit("render_example.py: %s holds no points" % args.vtu)
    disp = grid.GetPointData().GetArray("displacement")
    if disp is None:
        sys.exit("render_example.py: %s has no point array 'displacement'" % args.vtu)

    bounds = grid.GetBounds()
    size = max(bounds[1] - bounds[0], bounds[3] - bounds[2], bounds[5] - bounds[4]) or 1.0
    largest = max(disp.GetMaxNorm(), 1e-30)
    scale = args.scale if args.scale > 0 else 0.1 * size / largest

    # The deformed frame: warp, then dz as the colouring scalar.
    warp = vtk.vtkWarpVector()
    warp.SetInputConnection(reader.GetOutputPort())
    warp.SetInputArrayToProcess(0, 0, 0, vtk.vtkDataObject.FIELD_ASSOCIATION_POINTS, "displacement")
    warp.SetScaleFactor(scale)
    dz = vtk.vtkArrayCalculator()
    dz.SetInputConnection(warp.GetOutputPort())
    dz.SetAttributeTypeToPointData()
    dz.AddScalarVariable("w", "displacement", 2)
    dz.SetFunction("w")
    dz.SetResultArrayName("dz")
    surface = vtk.vtkGeometryFilter()
    surface.SetInputConnection(dz.GetOutputPort())
    surface.Update()
    lo, hi = surface.GetOutput().GetPointData().GetArray("dz").GetRange()
    if hi - lo <= 1e-12 * max(abs(lo), abs(hi), 1e-30):
        lo, hi = lo - 1e-9, hi + 1e-9

    # The map spans the data range, as ParaView sets it.
    colours = vtk.vtkColorTransferFunction()
    colours.SetColorSpaceToDiverging()
    colours.AddRGBPoint(lo, *COOL)
    colours.AddRGBPoint(0.5 * (lo + hi), *MID)
    colours.AddRGBPoint(hi, *WARM)

    tubes = vtk.vtkTubeFilter()
    tubes.SetInputConnection(surface.GetOutputPort())
    tubes.SetRadius(0.006 * size)
    tubes.SetNumberOfSides(16)
    bars = vtk.vtkPolyDataMapper()
    bars.SetInputConnection(tubes.GetOutputPort())
    bars.SetScalarModeToUsePointFieldData()
    bars.SelectColorArray("dz")
    bars.SetLookupTable(colours)
    bars.SetScalarRange(lo, hi)
    bars_actor = vtk.vtkActor()
    bars_actor.SetMapper(bars)

    # Slabs (quadrilaterals) of the deformed frame, half transparent.
    slabs = vtk.vtkPolyDataMapper()
    slabs.SetInputConnection(surface.GetOutputPort())
    slabs.SetScalarModeToUsePointFieldData()
    slabs.SelectColorArray("dz")
    slabs.SetLookupTable(colours)
    slabs.SetScalarRange(lo, hi)
    slabs_actor = vtk.vtkActor()
    slabs_actor.SetMapper(slabs)
    slabs_actor.GetProperty().SetOpacity(0.6)

    # The frame as read.
    original = vtk.vtkDataSetMapper()
    original.SetInputConnection(reader.GetOutputPort())
    original.ScalarVisibilityOff()
    original_actor = vtk.vtkActor()
    original_actor.SetMapper(original)
    original_actor.GetProperty().SetRepresentationToWireframe()
    original_actor.GetProperty().SetColor(0.85, 0.85, 0.85)
    original_actor.GetProperty().SetLineWidth(1.5)

    units = field_text(grid, "units", 1)
    bar = vtk.vtkScalarBarActor()
    bar.SetLookupTable(colours)
    bar.SetTitle("dz (%s)" % units if units else "dz")
    bar.SetNumberOfLabels(5)
    bar.SetLabelFormat("%-#8.2e")
    bar.SetWidth(0.09)
    bar.SetHeight(0.5)
    bar.SetPosition(0.89, 0.25)
    bar.UnconstrainedFontSizeOn()
    bar.GetTitleTextProperty().SetFontSize(18)
    bar.GetLabelTextProperty().SetFontSize(15)

    case = field_text(grid, "case")
    title = vtk.vtkTextActor()
    title.SetInput("%s\ncase %s, displacements x %.3g" % (field_text(grid, "title"), case, scale))
    title.GetTextProperty().SetFontSize(20)
    title.SetPosition(15, height - 60)

    renderer = vtk.vtkRenderer()
    renderer.SetBackground(*BACKGROUND)
    for actor in (original_actor, slabs_actor, bars_actor, bar, title):
        renderer.AddActor(actor)
    camera = renderer.GetActiveCamera()
    camera.SetViewUp(0, 0, 1)
    camera.SetPosition(1, -1.6, 0.9)
    camera.SetFocalPoint(0, 0, 0)
    renderer.ResetCamera()
    camera.Zoom(1.25)

    window = vtk.vtkRenderWindow()
    window.SetOffScreenRendering(1)
    window.SetSize(width, height)
    window.SetMultiSamples(8)
    window.AddRenderer(renderer)
    window.Render()

    shot = vtk.vtkWindowToImageFilter()
    shot.SetInput(window)
    shot.ReadFrontBufferOff()
    shot.Update()
    png = vtk.vtkPNGWriter()
    png.SetFileName(args.png)
    png.SetInputConnection(shot.GetOutputPort())
    png.Write()
    print("%s: case %s, displacements x %.3g, dz from %.4g to %.4g" % (args.png, case, scale, lo, hi))


if __name__ == "__main__":
    main()
