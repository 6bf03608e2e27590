// CSV tables of a solved case, for spreadsheets and scripts: a header row,
// then one row per item. The first column is the case; every quantity's
// header carries its unit in brackets, the data's own labels ("dx [m]",
// "N1 [t]", "My1 [t-m]"). Values are in the units of the data file with '.'
// decimals and the digits that read back as the same real (a negative zero
// is written 0); texts are UTF-8 (quoted when they hold a comma or a quote).
#pragma once

#include <cstdint>
#include <string>

#include "frame/diagrams.h"
#include "model/model.h"
#include "textio/lineform.h"

namespace qb::inline QB_ARITH {

// case,node,x,y,z,dx,dy,dz,rx,ry,rz: coordinates, translations and rotations
// (radians) of every node.
void write_displacements_csv(Channel& out, const Model& m, const CaseState& st, int32_t caso);

// case,reaction,type,node,dof,length,area,value,unit,settlement: every
// reaction in the order of the report. An "area" reaction is a load per unit
// length on the node's dz (positive upwards) over its reaction length and
// area; a "nodal" one is the force or moment of an isolated footing on that
// dof; `unit` says which. The settlement is the soil movement under it,
// negative downwards.
void write_reactions_csv(Channel& out, const Model& m, const CaseState& st, int32_t caso);

// case,bar,node1,node2,section,on_soil,N1,Vy1,Vz1,T1,My1,Mz1,N2,...,Mz2: the
// twelve end forces of every bar in its local axes, as in the report (ELMEC of
// the case's recover_bar_forces).
void write_bar_forces_csv(Channel& out, const Model& m, const CaseState& st, int32_t caso);

// case,axis,name,bar,s,N,Vz,My,Vy,Mz: the force diagrams along the axes, one
// row per point (s measured from the start of the axis).
class DiagramCsv : public DiagramSink {
public:
    DiagramCsv(const Model& m, Channel& out, int32_t caso);
    void axis(int32_t i) override;
    void point(const DiagramPoint& p) override;

private:
    const Model& m_;
    Channel& out_;
    int32_t caso_;
    int32_t axis_ = 0;
};

// A real as the CSV tables write it: the shortest digits that read back as
// the same value, 0 for a negative zero ("nan", "inf" and "-inf" for the
// non-finite ones).
void append_number(std::string& out, real v);

// The unit labels of the data as the open outputs show them: trimmed, UTF-8.
std::string unit_label(const ModelData& m, int32_t i);

} // namespace qb
