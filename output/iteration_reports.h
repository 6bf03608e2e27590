// The run's lines of the iterative solutions: the console lines of every
// Newton iteration and the report lines of every Janbu pass.
#pragma once

#include "model/model.h"
#include "solver/janbu.h"
#include "solver/newton.h"
#include "textio/lineform.h"

namespace qb::inline QB_ARITH {

// "Iteracion:" and the reaction errors of every Newton iteration.
class ConsoleNewtonObserver : public NewtonObserver {
public:
    explicit ConsoleNewtonObserver(Channel& console) : console_(console) {}
    void iteration(int32_t it) override;
    void errors(const std::vector<double>& err, bool shown) override;

private:
    Channel& console_;
};

// The report of the Janbu iteration of case 2: the lines of every pass, and
// the solution of every pass (its report sections and its "arch.res" values
// block).
class ReportJanbuObserver : public JanbuObserver {
public:
    ReportJanbuObserver(Channel& report, Channel& res, Channel& console)
        : report_(report), res_(res), console_(console) {}
    void uniform_start() override;
    void pass_heading() override;
    void first_pass(const Model& m, const CaseState& st, const Vec1<real>& REAC) override;
    void pass_done(const Model& m, const CaseState& st, const Vec1<real>& REAC) override;
    void next_pass(int32_t ITER) override;
    void not_converged(int32_t passes) override;

private:
    Channel& report_;
    Channel& res_;
    Channel& console_;
};

} // namespace qb
