// _murelta: the compiled part of the `murelta` Python module. Experiments, their networks and
// sweeps as Python objects, and the calls that run them with the GIL released; murelta/__init__.py
// turns what these return into pandas data frames.
#include <pybind11/numpy.h>
#include <pybind11/operators.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>
#include <pybind11/stl_bind.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/calibration.hpp"
#include "calls.hpp"
#include "experiment/experiment.hpp"
#include "experiment/record.hpp"
#include "experiment/results.hpp"
#include "experiment/sweep.hpp"
#include "experiment/tables.hpp"
#include "network/links.hpp"
#include "network/presets.hpp"
#include "released.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/parameter_table.hpp"

namespace py = pybind11;
using namespace murelta;

// Lists that Python changes in place: experiment.agents[3].rank = 1 changes the experiment.
PYBIND11_MAKE_OPAQUE(std::vector<murelta::AgentDesign>)
PYBIND11_MAKE_OPAQUE(std::vector<murelta::SweepAxis>)
PYBIND11_MAKE_OPAQUE(std::vector<murelta::DesignFactor>)

namespace {

// A key as Python spells it: food_size for food-size, since a keyword argument has no hyphen.
std::string parameterKey(std::string key) {
    std::replace(key.begin(), key.end(), '_', '-');
    return key;
}

bool isBool(py::handle value) {
    return py::isinstance<py::bool_>(value) ||
           py::isinstance(value, py::module_::import("numpy").attr("bool_"));
}

// A Python value as the text a box would hold: a text as typed, a whole number in digits, a
// real one in the shortest text that reads back as it (at most 15 digits, as the boxes show).
std::string boxText(py::handle value, const std::string& key) {
    if (py::isinstance<py::str>(value)) {
        return value.cast<std::string>();
    }
    if (!isBool(value)) {
        if (py::isinstance<py::int_>(value) || py::hasattr(value, "__index__")) {
            return py::str(py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr())));
        }
        if (py::isinstance<py::float_>(value) || py::hasattr(value, "__float__")) {
            return formatNumber(
                py::cast<double>(py::float_(py::reinterpret_borrow<py::object>(value))));
        }
    }
    throw Error(key + ": give a number or a text, such as 10 or \"10\" (it is " +
                py::repr(value).cast<std::string>() + ").");
}

// Sets parameter `key` of `e` from a Python value: True or False for a check box, else a text or
// a number.
void setValue(Experiment& e, const std::string& given, py::handle value) {
    const std::string key = parameterKey(given);
    if (findFlagParameter(key) != nullptr) {
        if (!isBool(value)) {
            throw Error(key + ": " + findFlagParameter(key)->label +
                        " is a check box; give True or False.");
        }
        python::setParameter(e, key, value.cast<bool>() ? "true" : "false");
    } else {
        python::setParameter(e, key, findTextParameter(key) != nullptr ? boxText(value, key) : "");
    }
}

py::object parameterValue(const Experiment& e, const std::string& given) {
    const std::string key = parameterKey(given);
    if (const TextParameter* p = findTextParameter(key)) {
        return py::str(e.params.*(p->member));
    }
    if (const FlagParameter* f = findFlagParameter(key)) {
        return py::bool_(e.params.*(f->member));
    }
    throw py::key_error(given);
}

std::vector<std::string> texts(const py::iterable& values, const std::string& key) {
    std::vector<std::string> result;
    for (py::handle value : values) {
        result.push_back(isBool(value) ? (value.cast<bool>() ? "true" : "false")
                                       : boxText(value, key));
    }
    return result;
}

// An agent's index given from Python, checked as a file's is.
std::int16_t agentIndex(py::handle value, const std::string& what) {
    const long index =
        py::cast<long>(py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr())));
    if (index < 0 || index > 32766) {
        throw Error(what + ": " + std::to_string(index) +
                    " is not an agent index from 0 to 32766.");
    }
    return static_cast<std::int16_t>(index);
}

Receivers receiversOf(const py::iterable& receivers) {
    Receivers list;
    for (py::handle r : receivers) {
        list.push_back(agentIndex(r, "receivers"));
    }
    return list;
}

std::string rangeName(const Experiment& e) {
    return *e.rangeRadius == kSpaceDependentRadius ? "space dependent" : "space independent";
}

DesignMethod designMethod(const std::string& name) {
    for (const DesignMethod method :
         {DesignMethod::kSobol, DesignMethod::kMorris, DesignMethod::kLhs}) {
        if (name == methodName(method)) {
            return method;
        }
    }
    throw Error("method: \"" + name + "\" is no design; the designs are sobol, morris and lhs.");
}

int threadCount(std::optional<int> threads) {
    if (!threads) {
        return static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    }
    if (*threads < 1 || *threads > 1024) {
        throw Error("threads: " + std::to_string(*threads) + " is not from 1 to 1024.");
    }
    return *threads;
}

template <typename T>
py::array_t<T> column(const std::vector<T>& values) {
    py::array_t<T> array(static_cast<py::ssize_t>(values.size()));
    std::copy(values.begin(), values.end(), array.mutable_data());
    return array;
}

// The runs and generations of a simulation, column by column as its record names them.
py::dict runColumns(const std::vector<RunResult>& runs) {
    std::vector<std::int64_t> generation, run, seed;
    std::vector<double> first, last, percentOut;
    for (const RunResult& r : runs) {
        generation.push_back(r.generation);
        run.push_back(r.run);
        seed.push_back(r.seed);
        first.push_back(r.first);
        last.push_back(r.last);
        percentOut.push_back(r.percentOut);
    }
    const auto& names = tables::kRunColumns;
    py::dict columns;
    columns[py::str(names[0])] = column(generation);
    columns[py::str(names[1])] = column(run);
    columns[py::str(names[2])] = column(seed);
    columns[py::str(names[3])] = column(first);
    columns[py::str(names[4])] = column(last);
    columns[py::str(names[5])] = column(percentOut);
    return columns;
}

py::dict generationColumns(const std::vector<GenerationSummary>& generations) {
    std::vector<std::int64_t> generation;
    std::array<std::vector<double>, 5> numbers;
    for (const GenerationSummary& g : generations) {
        generation.push_back(g.generation);
        numbers[0].push_back(g.totalFitness);
        numbers[1].push_back(g.expGeneMean);
        numbers[2].push_back(g.expGeneSd);
        numbers[3].push_back(g.comGeneMean);
        numbers[4].push_back(g.comGeneSd);
    }
    const auto& names = tables::kGenerationColumns;
    py::dict columns;
    columns[py::str(names[0])] = column(generation);
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        columns[py::str(names[k + 1])] = column(numbers[k]);
    }
    return columns;
}

// Binds a list changed in place, shown as the list of what it holds.
template <typename Vector>
void bindList(py::module_& m, const char* name, const char* doc) {
    py::bind_vector<Vector>(m, name, doc).def("__repr__", [name](const Vector& v) {
        return std::string(name) + "(" +
               py::repr(py::list(py::cast(v))).template cast<std::string>() + ")";
    });
    py::implicitly_convertible<py::list, Vector>();
}

}  // namespace

PYBIND11_MODULE(_murelta, m) {
    m.doc() = "The compiled part of the murelta module; use murelta itself.";

    static py::exception<Error> error(m, "Error", PyExc_ValueError);
    error.doc() =
        "A refusal of the core: a parameter, a file or a folder it cannot take. The message "
        "names what is wrong.";
    py::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure) {
                std::rethrow_exception(failure);
            }
        } catch (const Error& e) {
            error(e.what());
        } catch (const std::filesystem::filesystem_error& e) {
            error(e.what());
        }
    });

    py::class_<AgentDesign>(m, "Agent",
                            "One agent of the network as designed: its index, the agents its "
                            "messages go to, its rank (1: the leader) and its retina.")
        .def(py::init([](std::int16_t index, double retina, const py::iterable& receivers,
                         std::int16_t rank) {
                 AgentDesign a;
                 a.index = index;
                 a.retina = retina;
                 a.rank = rank;
                 a.receivers = receiversOf(receivers);
                 return a;
             }),
             py::arg("index"), py::arg("retina"), py::arg("receivers") = py::tuple(),
             py::arg("rank") = 0)
        .def_readwrite("index", &AgentDesign::index)
        .def_readwrite("retina", &AgentDesign::retina)
        .def_readwrite("rank", &AgentDesign::rank, "The agent's rank; 1 is the leader.")
        .def_property(
            "leader", [](const AgentDesign& a) { return a.rank == 1; },
            [](AgentDesign& a, bool leader) { a.rank = leader ? 1 : 0; },
            "Whether the agent leads (has rank 1).")
        .def_property(
            "receivers",
            [](const AgentDesign& a) {
                return py::tuple(
                    py::cast(std::vector<std::int16_t>(a.receivers.begin(), a.receivers.end())));
            },
            [](AgentDesign& a, const py::iterable& receivers) {
                a.receivers = receiversOf(receivers);
            },
            "The agents this agent's messages go to, in order; assign a list to change them.")
        .def(py::self == py::self)
        .def("__repr__", [](const AgentDesign& a) {
            return "Agent(index=" + std::to_string(a.index) + ", retina=" + formatNumber(a.retina) +
                   ", receivers=" +
                   py::repr(py::tuple(py::cast(
                                std::vector<std::int16_t>(a.receivers.begin(), a.receivers.end()))))
                       .cast<std::string>() +
                   ", rank=" + std::to_string(a.rank) + ")";
        });
    bindList<std::vector<AgentDesign>>(m, "Agents",
                                       "The agents an experiment lists, changed in place.");

    py::class_<SweepAxis>(m, "SweepAxis",
                          "One swept parameter (a key of the parameters, or \"preset\") and its "
                          "values.")
        .def(py::init([](const std::string& key, const py::iterable& values) {
                 return SweepAxis{key == "preset" ? key : parameterKey(key), texts(values, key)};
             }),
             py::arg("key"), py::arg("values"))
        .def_readwrite("key", &SweepAxis::key)
        .def_property(
            "values", [](const SweepAxis& a) { return py::tuple(py::cast(a.values)); },
            [](SweepAxis& a, const py::iterable& values) { a.values = texts(values, a.key); },
            "The values as texts; assign a list of texts or numbers to change them.")
        .def(py::self == py::self)
        .def("__repr__", [](const SweepAxis& a) {
            return "SweepAxis(" + py::repr(py::str(a.key)).cast<std::string>() + ", " +
                   py::repr(py::cast(a.values)).cast<std::string>() + ")";
        });
    bindList<std::vector<SweepAxis>>(m, "Sweep", "The axes of a sweep, the last varying fastest.");

    py::class_<DesignFactor>(m, "Factor",
                             "One factor of a design: a key of the parameters and the range "
                             "its values are spread over, both ends included.")
        .def(py::init([](const std::string& key, double from, double to) {
                 return DesignFactor{parameterKey(key), from, to};
             }),
             py::arg("key"), py::arg("low"), py::arg("high"))
        .def_readwrite("key", &DesignFactor::key)
        .def_readwrite("low", &DesignFactor::from)
        .def_readwrite("high", &DesignFactor::to)
        .def(py::self == py::self)
        .def("__repr__", [](const DesignFactor& f) {
            return "Factor(" + py::repr(py::str(f.key)).cast<std::string>() + ", " +
                   formatNumber(f.from) + ", " + formatNumber(f.to) + ")";
        });
    bindList<std::vector<DesignFactor>>(m, "Factors", "The factors of a design.");

    py::class_<Design>(m, "Design",
                       "A design of experiments: points spread over the factors' ranges, each "
                       "a configuration run on the same seeds.")
        .def(py::init([](const std::string& method, std::size_t samples,
                         std::vector<DesignFactor> factors, int levels, std::uint64_t seed) {
                 Design d;
                 d.method = designMethod(method);
                 d.samples = samples;
                 d.factors = std::move(factors);
                 d.levels = levels;
                 d.seed = seed;
                 return d;
             }),
             py::arg("method"), py::arg("samples"), py::arg("factors"), py::arg("levels") = 4,
             py::arg("seed") = 0)
        .def_property(
            "method", [](const Design& d) { return std::string(methodName(d.method)); },
            [](Design& d, const std::string& name) { d.method = designMethod(name); },
            "sobol, morris or lhs.")
        .def_readwrite("samples", &Design::samples,
                       "sobol: base samples; morris: trajectories; lhs: points.")
        .def_readwrite("levels", &Design::levels, "morris: the levels of each factor's grid.")
        .def_readwrite("seed", &Design::seed, "The design's own random numbers.")
        .def_readwrite("factors", &Design::factors)
        .def(py::self == py::self);

    py::class_<Experiment>(m, "Experiment",
                           "Everything that decides a simulation's results: the parameters as "
                           "typed, the label, the network and optionally a sweep or a design. "
                           "Experiment(runs=10, preset=\"Tab 1\") starts from the defaults.")
        .def(py::init([](const py::kwargs& given) {
                 Experiment e;
                 for (const auto& [key, value] : given) {
                     const std::string name = key.cast<std::string>();
                     if (name == "label") {
                         e.label = value.cast<std::string>();
                     } else if (name == "preset") {
                         e.preset = value.is_none() ? "" : value.cast<std::string>();
                     } else {
                         setValue(e, name, value);
                     }
                 }
                 return e;
             }),
             "An experiment with the default parameters, those given changed.")
        .def_static(
            "load", [](const std::filesystem::path& path) { return readExperiment(path); },
            py::arg("path"), "Reads an experiment file or a record; a refusal names the line.")
        .def_static(
            "parse", [](const std::string& text) { return parseExperiment(text, "the text"); },
            py::arg("text"), "Reads an experiment from the text of a file.")
        .def(
            "save",
            [](const Experiment& e, const std::filesystem::path& path) {
                writeExperiment(path, python::checkedExperiment(e));
            },
            py::arg("path"), "Checks the experiment and writes it as a file, atomically.")
        .def_property_readonly(
            "text",
            [](const Experiment& e) { return experimentText(python::checkedExperiment(e)); },
            "The text of its file.")
        .def("check", &python::checkedExperiment,
             "A checked copy; a value that cannot run raises Error naming it.")
        .def("_parameter", &parameterValue, py::arg("key"))
        .def("_set_parameter", &setValue, py::arg("key"), py::arg("value"))
        .def_readwrite("label", &Experiment::label, "The name part of the data file.")
        .def_property(
            "preset",
            [](const Experiment& e) -> std::optional<std::string> {
                return e.preset.empty() ? std::nullopt : std::optional(e.preset);
            },
            [](Experiment& e, const std::optional<std::string>& preset) {
                e.preset = preset.value_or("");
            },
            "The paper preset applied after the random network is drawn, or None.")
        .def_property(
            "range",
            [](const Experiment& e) -> std::optional<std::string> {
                return e.rangeRadius ? std::optional(rangeName(e)) : std::nullopt;
            },
            [](Experiment& e, const std::optional<std::string>& range) {
                if (!range) {
                    e.rangeRadius.reset();
                } else if (*range == "space dependent") {
                    e.rangeRadius = kSpaceDependentRadius;
                } else if (*range == "space independent") {
                    e.rangeRadius = kSpaceIndependentRadius;
                } else {
                    throw Error("range: must be \"space dependent\" or \"space independent\".");
                }
            },
            "The designer's range option, \"space dependent\" or \"space independent\", or "
            "None.")
        .def_readwrite("agents", &Experiment::agents,
                       "The agents' designs, applied after the preset; those not listed keep "
                       "the drawn network. An Agent taken from the list refers into it: it "
                       "changes the experiment, until the list is added to or replaced.")
        .def_property(
            "leader",
            [](const Experiment& e) -> std::optional<std::int16_t> {
                for (const AgentDesign& a : e.agents) {
                    if (a.rank == 1) {
                        return a.index;
                    }
                }
                return std::nullopt;
            },
            [](Experiment& e, std::int16_t index) {
                const auto agent =
                    std::find_if(e.agents.begin(), e.agents.end(),
                                 [&](const AgentDesign& a) { return a.index == index; });
                if (agent == e.agents.end()) {
                    throw Error("leader: agent " + std::to_string(index) +
                                " is not listed; add it to agents first.");
                }
                for (AgentDesign& a : e.agents) {
                    a.rank = a.rank == 1 ? 0 : a.rank;
                }
                agent->rank = 1;
            },
            "The index of the listed agent of rank 1, or None; setting it makes that agent the "
            "only leader.")
        .def_property(
            "links",
            [](const Experiment& e) {
                py::list links;
                for (const AgentDesign& a : e.agents) {
                    for (const std::int16_t r : a.receivers) {
                        links.append(py::make_tuple(a.index, r));
                    }
                }
                return links;
            },
            nullptr, "The links of the listed agents as (sender, receiver) pairs.")
        .def_readwrite("sweep", &Experiment::sweep, "The sweep's axes; empty for none.")
        .def_property(
            "design", [](Experiment& e) -> Design* { return e.design ? &*e.design : nullptr; },
            [](Experiment& e, const std::optional<Design>& design) { e.design = design; },
            py::return_value_policy::reference_internal,
            "The design of experiments, or None. The Design taken refers into the experiment: "
            "it changes the experiment, until another design (or None) is set.")
        .def_property_readonly(
            "configurations",
            [](const Experiment& e) { return configurationCount(python::checkedExperiment(e)); },
            "How many configurations a sweep of it runs (1 without a sweep or design).")
        .def(py::self == py::self)
        .def("__copy__", [](const Experiment& e) { return e; })
        .def("__deepcopy__", [](const Experiment& e, const py::dict&) { return e; })
        .def("__repr__", [](const Experiment& e) {
            return "<murelta.Experiment label=" + py::repr(py::str(e.label)).cast<std::string>() +
                   ", " + std::to_string(e.agents.size()) + " agents listed, " +
                   std::to_string(e.sweep.size()) + " sweep axes" + (e.design ? ", a design" : "") +
                   (e.calibration ? ", a calibration" : "") + ">";
        });

    m.attr("PARAMETERS") = py::tuple(py::cast(python::parameterKeys()));
    m.attr("PRESETS") =
        py::tuple(py::cast(std::vector<std::string>(kPresetNames.begin(), kPresetNames.end())));
    m.attr("OUTPUTS") = py::tuple(py::cast(python::evaluationOutputs()));
    m.attr("__version__") = programVersion();

    m.def(
        "_run",
        [](const Experiment& e, std::optional<int> threads, const std::filesystem::path& folder) {
            const int count = threadCount(threads);
            python::RunOutcome outcome;
            python::runReleased([&](std::stop_token stop) {
                outcome = python::runExperiment(e, count, folder, stop);
            });
            py::dict result;
            result["record"] = outcome.record;
            result["record_path"] = outcome.recordPath;
            result["data_file"] =
                outcome.dataPath.empty() ? py::none() : py::object(py::str(outcome.dataFile));
            result["data_path"] =
                outcome.dataPath.empty() ? py::none() : py::cast(outcome.dataPath);
            result["complete"] = outcome.results.complete;
            result["runs"] = runColumns(outcome.results.runs);
            result["generations"] = generationColumns(outcome.results.generations);
            return result;
        },
        py::arg("experiment"), py::arg("threads"), py::arg("folder"));

    m.def(
        "_sweep",
        [](const Experiment& e, const std::filesystem::path& out, std::optional<int> threads,
           const std::string& shardText) {
            const Experiment sweep = python::checkedSweep(e);
            const Shard shard = parseShard(shardText);
            const int count = threadCount(threads);
            std::optional<CollectReport> report;
            python::runReleased([&](std::stop_token stop) {
                SweepProgress quiet;
                runSweep(sweep, out, count, shard, quiet, stop);
                if (shard.count == 1) {
                    report = collectSweep(out);
                }
            });
            if (!report) {
                return py::object(py::none());
            }
            std::string missing;
            for (const std::size_t index : report->missing) {
                missing += (missing.empty() ? "" : " ") + std::to_string(index);
            }
            for (const std::string& damaged : report->damaged) {
                missing += "\n" + damaged;
            }
            return py::object(py::str(missing));
        },
        py::arg("experiment"), py::arg("out"), py::arg("threads"), py::arg("shard"));

    m.def(
        "_check_folder",
        [](const std::filesystem::path& folder) {
            if (std::filesystem::exists(folder / "sweep.toml")) {
                readSweepResults(folder);
                return "sweep";
            }
            if (std::filesystem::exists(folder / "calibration.toml")) {
                readCalibrationResults(folder);
                return "calibration";
            }
            throw Error("The folder " + folder.string() +
                        " holds neither a sweep (sweep.toml) nor a calibration "
                        "(calibration.toml).");
        },
        py::arg("folder"));

    m.def(
        "_evaluate",
        [](const Experiment& e,
           const py::array_t<double, py::array::c_style | py::array::forcecast>& points,
           const std::vector<std::string>& parameters, const std::vector<std::string>& outputs,
           std::optional<int> threads, const std::filesystem::path& folder) {
            if (points.ndim() != 2 ||
                points.shape(1) != static_cast<py::ssize_t>(parameters.size())) {
                throw Error("points: give one row per point and one column per parameter (" +
                            std::to_string(parameters.size()) + ").");
            }
            std::vector<std::string> names;
            for (const std::string& key : parameters) {
                names.push_back(parameterKey(key));
            }
            std::vector<std::vector<double>> rows;
            const auto view = points.unchecked<2>();
            for (py::ssize_t i = 0; i < view.shape(0); ++i) {
                std::vector<double>& row = rows.emplace_back();
                for (py::ssize_t k = 0; k < view.shape(1); ++k) {
                    row.push_back(view(i, k));
                }
            }
            const int count = threadCount(threads);
            std::vector<std::vector<double>> values;
            python::runReleased([&](std::stop_token stop) {
                values = python::evaluatePoints(e, names, rows, outputs, count, folder, stop);
            });
            py::array_t<double> result(
                {static_cast<py::ssize_t>(rows.size()), static_cast<py::ssize_t>(outputs.size())});
            auto out = result.mutable_unchecked<2>();
            for (std::size_t i = 0; i < values.size(); ++i) {
                for (std::size_t k = 0; k < outputs.size(); ++k) {
                    out(static_cast<py::ssize_t>(i), static_cast<py::ssize_t>(k)) = values[i][k];
                }
            }
            return result;
        },
        py::arg("experiment"), py::arg("points"), py::arg("parameters"), py::arg("outputs"),
        py::arg("threads"), py::arg("folder"));
}
