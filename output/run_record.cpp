#include "output/run_record.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

namespace qb {

namespace {

using json = nlohmann::ordered_json;

std::string text_of(const Text& t) {
    std::string_view s = t.bytes();
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return to_utf8(s);
}

// A figure with the digits of the run's arithmetic: in single precision the
// shortest decimal that reads back as the same float (a float widened to a
// double would show seventeen digits of which eight mean nothing).
double rounded(double v, bool single) {
    if (!single) return v;
    char b[32];
    const auto r = std::to_chars(b, b + sizeof b, static_cast<float>(v));
    *r.ptr = '\0';
    return std::strtod(b, nullptr);
}

// A number as the console shows it: four significant digits.
std::string shown(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.4g", v);
    return b;
}

const char* status_meaning(int status) {
    switch (status) {
    case 0: return "every case solved";
    case 1: return "bad data or command line";
    case 2: return "no valid solution";
    case 3: return "not enough memory";
    case 4: return "an output cannot be written";
    case 5: return "a case did not converge";
    default: return status > 128 ? "stopped by a signal" : "failed";
    }
}

} // namespace

std::string summary_json(const RunRecord& r) {
    const bool single = r.arithmetic == "single";
    const auto number = [single](double v) { return std::isfinite(v) ? json(rounded(v, single)) : json(nullptr); };
    const auto unit = [&](int i) { return text_of(r.units[static_cast<size_t>(i)]); };
    const std::string force = unit(1), length = unit(2), stress = unit(4), moment = force + "-" + length;

    json j;
    j["summary_version"] = SUMMARY_VERSION;
    j["program"] = {{"name", "querbal"}, {"version", r.program_version}, {"arithmetic", r.arithmetic}, {"solver", r.solver}};
    json warnings = json::array();
    for (const std::string& w : r.warnings) warnings.push_back(to_utf8(w));
    j["run"] = {{"date", r.date},
                {"seconds", r.seconds},
                {"status", r.status},
                {"status_meaning", status_meaning(r.status)},
                {"message", r.message.empty() ? json(nullptr) : json(to_utf8(r.message))},
                {"warnings", warnings}};
    j["data"] = {{"file", to_utf8(r.data)}, {"sha256", r.sha256}};
    if (r.model_read) {
        j["data"]["title"] = text_of(r.title);
        j["data"]["units"] = {{"force", unit(1)}, {"length", unit(2)}, {"spring", unit(3)}, {"stress", unit(4)},
                              {"unit_weight", unit(5)}};
        j["model"] = {{"nodes", r.nodes},
                      {"bars", r.bars},
                      {"slabs", r.slabs},
                      {"isolated_footings", r.footings},
                      {"area_reactions", r.area_reactions},
                      {"nodal_reactions", r.nodal_reactions},
                      {"equations", r.equations},
                      {"analysis_type", r.kanal}};
    }
    json outputs = json::array();
    for (const RunRecord::Output& o : r.outputs)
        outputs.push_back({{"role", o.role}, {"case", o.caso == 0 ? json(nullptr) : json(o.caso)},
                           {"path", to_utf8(o.path)}});
    j["outputs"] = outputs;
    json timings = json::array();
    for (const StepTime& t : r.timings)
        timings.push_back({{"stage", to_utf8(t.stage)}, {"step", to_utf8(t.step)}, {"seconds", t.seconds}});

    json cases = json::array();
    for (const CaseRecord& c : r.cases) {
        json k = {{"case", c.caso},
                  {"name", c.name},
                  {"solution", c.solution},
                  {"solved", c.solved},
                  {"converged", c.converged},
                  {"iterations", c.iterations},
                  {"seconds", c.seconds},
                  {"failure", c.failure.empty() ? json(nullptr) : json(to_utf8(c.failure))},
                  {"condition_number", c.condition > 0.0 ? number(c.condition) : json(nullptr)}};
        if (c.has_figures) {
            const CaseFigures& f = c.figures;
            const auto at_node = [&](const NodeFigure& n, json extra = json::object()) {
                if (n.node == 0) return json(nullptr);
                json o = {{"value", number(n.value)}, {"node", n.node}, {"x", n.x}, {"y", n.y}, {"z", n.z}};
                for (auto& [key, v] : extra.items()) o[key] = v;
                return o;
            };
            k["settlement"] = {{"unit", length},
                               {"largest", at_node(f.settlement_largest)},
                               {"smallest", at_node(f.settlement_smallest)}};
            k["differential_settlement"] =
                f.differential.node1 == 0
                    ? json(nullptr)
                    : json{{"unit", length},
                           {"value", number(f.differential.value)},
                           {"nodes", {f.differential.node1, f.differential.node2}},
                           {"distance", number(f.differential.length)}};
            k["angular_distortion"] =
                f.distortion.node1 == 0
                    ? json(nullptr)
                    : json{{"value", number(f.distortion.value)},
                           {"one_in", f.distortion.value > 0.0 ? number(1.0 / f.distortion.value) : json(nullptr)},
                           {"nodes", {f.distortion.node1, f.distortion.node2}},
                           {"distance", number(f.distortion.length)}};
            k["contact_pressure"] = {{"unit", stress},
                                     {"largest", at_node(f.pressure_largest)},
                                     {"smallest", at_node(f.pressure_smallest)}};
            const SolutionQuality& q = f.quality;
            k["vertical_balance"] = q.balance_known ? json{{"unit", force},
                                                           {"load", number(q.load)},
                                                           {"reactions", number(q.carried)},
                                                           {"off_percent", number(100.0 * q.imbalance)}}
                                                    : json(nullptr);
            k["relative_residual"] = number(q.residual);
            k["displacement"] = {{"unit", length},
                                 {"largest", at_node(f.displacement, {{"dx", number(f.dx)},
                                                                      {"dy", number(f.dy)},
                                                                      {"dz", number(f.dz)}})}};
            const auto bar = [&](const BarFigure& b) {
                return b.bar == 0 ? json(nullptr) : json{{"value", number(b.value)}, {"bar", b.bar}, {"end", b.end}};
            };
            k["bar_forces"] = {{"force_unit", force},   {"moment_unit", moment},
                               {"axial", bar(f.axial)}, {"shear_y", bar(f.shear_y)},
                               {"shear_z", bar(f.shear_z)}, {"torsion", bar(f.torsion)},
                               {"moment_y", bar(f.moment_y)}, {"moment_z", bar(f.moment_z)}};
        }
        cases.push_back(k);
    }
    j["cases"] = cases;
    j["timings"] = timings;
    return j.dump(2) + "\n";
}

void write_cases_csv(Channel& out, const RunRecord& r) {
    out.write_line("case,name,solution,solved,converged,iterations,seconds,settlement_largest,settlement_largest_node,"
                   "settlement_smallest,settlement_smallest_node,differential_settlement,differential_node1,"
                   "differential_node2,angular_distortion,distortion_one_in,contact_pressure_largest,"
                   "contact_pressure_node,vertical_load,vertical_reactions,balance_off_percent,relative_residual,"
                   "displacement_largest,displacement_node,axial_largest,axial_bar,shear_largest,shear_bar,"
                   "moment_largest,moment_bar,condition_number");
    const bool single = r.arithmetic == "single";
    const auto num = [single](double v) {
        char b[32];
        const auto res = std::to_chars(b, b + sizeof b, rounded(v, single));
        return std::string(b, res.ptr);
    };
    for (const CaseRecord& c : r.cases) {
        std::string row = std::to_string(c.caso) + "," + c.name + "," + c.solution + "," + (c.solved ? "1" : "0") +
                          "," + (c.converged ? "1" : "0") + "," + std::to_string(c.iterations) + "," +
                          num(c.seconds);
        const CaseFigures& f = c.figures;
        const auto node = [&](const NodeFigure& n) {
            return n.node == 0 ? std::string(",") : num(n.value) + "," + std::to_string(n.node);
        };
        const auto larger = [](const BarFigure& a, const BarFigure& b) {
            return std::fabs(b.value) > std::fabs(a.value) ? b : a;
        };
        if (c.has_figures) {
            const BarFigure shear = larger(f.shear_y, f.shear_z), moment = larger(f.moment_y, f.moment_z);
            row += "," + node(f.settlement_largest) + "," + node(f.settlement_smallest);
            row += f.differential.node1 == 0 ? ",,," : "," + num(f.differential.value) + "," +
                                                          std::to_string(f.differential.node1) + "," +
                                                          std::to_string(f.differential.node2);
            row += f.distortion.node1 == 0 ? std::string(",,")
                                           : "," + num(f.distortion.value) + "," +
                                                 (f.distortion.value > 0.0 ? num(1.0 / f.distortion.value) : "");
            row += "," + node(f.pressure_largest);
            row += f.quality.balance_known ? "," + num(f.quality.load) + "," + num(f.quality.carried) + "," +
                                                 num(100.0 * f.quality.imbalance)
                                           : std::string(",,,");
            row += "," + num(f.quality.residual) + "," + node(f.displacement);
            for (const BarFigure& b : {f.axial, shear, moment})
                row += b.bar == 0 ? std::string(",,") : "," + num(b.value) + "," + std::to_string(b.bar);
        } else {
            row += std::string(23, ',');
        }
        row += c.condition > 0.0 ? "," + num(c.condition) : std::string(",");
        out.write_line(row);
    }
}

std::string case_line(const CaseRecord& c) {
    std::string t = "case " + std::to_string(c.caso) + " (" + c.name + "), " + c.solution + ": ";
    if (!c.solved) return t + "not solved" + (c.failure.empty() ? std::string() : ": " + c.failure);
    t += c.converged ? "converged" : "NOT converged";
    if (c.solution != "linear")
        t += " in " + std::to_string(c.iterations) + (c.solution.rfind("iter", 0) == 0 ? " passes" : " iterations");
    char secs[32];
    std::snprintf(secs, sizeof secs, ", %.2f s", c.seconds);
    t += secs;
    if (c.condition > 0.0) t += ", condition number " + shown(c.condition);
    return t;
}

std::string summary_text(const RunRecord& r) {
    const auto unit = [&](int i) { return text_of(r.units[static_cast<size_t>(i)]); };
    const std::string force = unit(1), length = unit(2), stress = unit(4), moment = force + "-" + length;
    std::string t;
    for (const CaseRecord& c : r.cases) {
        t += case_line(c) + "\n";
        if (!c.solved) continue;
        if (!c.failure.empty()) t += "  NOT A SOLUTION: " + c.failure + "\n";
        if (!c.has_figures) continue;
        const CaseFigures& f = c.figures;
        const auto at = [&](const NodeFigure& n, const std::string& u) {
            return shown(n.value) + " " + u + " at node " + std::to_string(n.node);
        };
        if (f.settlement_largest.node != 0)
            t += "  settlement        largest " + at(f.settlement_largest, length) + ", smallest " +
                 at(f.settlement_smallest, length) + "\n";
        if (f.differential.node1 != 0) {
            t += "  differential      " + shown(f.differential.value) + " " + length + " between nodes " +
                 std::to_string(f.differential.node1) + " and " + std::to_string(f.differential.node2);
            if (f.distortion.value > 0.0)
                t += "; distortion 1/" + shown(1.0 / f.distortion.value) + " between nodes " +
                     std::to_string(f.distortion.node1) + " and " + std::to_string(f.distortion.node2);
            t += "\n";
        }
        if (f.pressure_largest.node != 0)
            t += "  contact pressure  largest " + at(f.pressure_largest, stress) + "\n";
        if (f.quality.balance_known)
            t += "  vertical balance  load " + shown(-f.quality.load) + " " + force + " down, reactions " +
                 shown(f.quality.carried) + " " + force + " up (off by " + shown(100.0 * f.quality.imbalance) +
                 " %)\n";
        if (f.displacement.node != 0) t += "  displacement      largest " + at(f.displacement, length) + "\n";
        const auto larger = [](const BarFigure& a, const BarFigure& b) {
            return std::fabs(b.value) > std::fabs(a.value) ? b : a;
        };
        const auto bar = [&](const BarFigure& b, const std::string& u) {
            return shown(b.value) + " " + u + " (bar " + std::to_string(b.bar) + ", end " + std::to_string(b.end) + ")";
        };
        if (f.axial.bar != 0)
            t += "  bar forces        N " + bar(f.axial, force) + ", V " + bar(larger(f.shear_y, f.shear_z), force) +
                 ", M " + bar(larger(f.moment_y, f.moment_z), moment) + "\n";
    }
    return t;
}

std::string run_line(const RunRecord& r) {
    std::string line = r.data + ": status " + std::to_string(r.status) + " (" + status_meaning(r.status) + ")";
    if (!r.message.empty()) {
        const std::string own = r.data + ": ";   // the message names the data file already
        return line + ": " + (r.message.rfind(own, 0) == 0 ? r.message.substr(own.size()) : r.message);
    }
    std::string solved, other;
    for (const CaseRecord& c : r.cases) {
        if (c.solved && c.converged && c.failure.empty()) solved += " " + std::to_string(c.caso);
        else other += " " + std::to_string(c.caso);
    }
    if (!solved.empty()) line += ", cases" + solved + " solved";
    if (!other.empty()) line += ", cases" + other + " not";
    char secs[32];
    std::snprintf(secs, sizeof secs, ", %.2f s", r.seconds);
    return line + secs;
}

} // namespace qb
