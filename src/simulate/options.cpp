#include "simulate/options.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string_view>

#include "common/text.h"
#include "simulate/sim_error.h"

namespace gaussnet::simulate {

namespace {

[[noreturn]] void bad(const std::string& text) { throw sim_error(status_usage, text); }

// The whole text must be the number: no sign for unsigned, no blanks, no rest.
template <typename T>
T parse_number(std::string_view name, std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        bad(strprintf("%.*s: '%.*s' is not a number of the kind expected", static_cast<int>(name.size()), name.data(),
                      static_cast<int>(text.size()), text.data()));
    }
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value)) bad(strprintf("%.*s must be finite", static_cast<int>(name.size()), name.data()));
    }
    return value;
}

void parse_weights(std::string_view text, options& opts) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) bad("--weights takes LO:HI, as in 0.5:1");
    opts.weight_lo = parse_number<double>("--weights", text.substr(0, colon));
    opts.weight_hi = parse_number<double>("--weights", text.substr(colon + 1));
    if (opts.weight_lo < 0 || opts.weight_lo > opts.weight_hi) bad("--weights LO:HI needs 0 <= LO <= HI");
}

void check_prefix(const std::string& prefix) {
    for (const char c : prefix) {
        // gaussnet splits the header at blanks, commas, tabs and line ends.
        if (c == ' ' || c == ',' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            bad("--prefix must not contain blanks, commas or control characters");
        }
    }
}

// Applies one option with its value; false if name is not an option with a value.
bool apply_valued(std::string_view name, std::string_view value, options& opts) {
    if (name == "--vars") {
        opts.n_vars = parse_number<int>(name, value);
        if (opts.n_vars < 1) bad("--vars must be at least 1");
    } else if (name == "--cases") {
        opts.n_cases = parse_number<int>(name, value);
        if (opts.n_cases < 0) bad("--cases must not be negative");
    } else if (name == "--parents") {
        opts.expected_parents = parse_number<double>(name, value);
        if (opts.expected_parents < 0) bad("--parents must not be negative");
    } else if (name == "--weights") {
        parse_weights(value, opts);
    } else if (name == "--noise") {
        opts.noise_sd = parse_number<double>(name, value);
        if (opts.noise_sd < 0) bad("--noise must not be negative");
    } else if (name == "--seed") {
        opts.seed = parse_number<std::uint64_t>(name, value);
    } else if (name == "--prefix") {
        opts.prefix = std::string(value);
        check_prefix(opts.prefix);
    } else if (name == "--transform") {
        const std::optional<transform_kind> kind = parse_transform(value);
        if (!kind)
            bad(strprintf("--transform: '%.*s' is none of %s", static_cast<int>(value.size()), value.data(),
                          TRANSFORM_NAMES));
        opts.transform = *kind;
    } else if (name == "--from") {
        if (value.empty()) bad("--from needs a file name");
        opts.net_file = std::string(value);
    } else {
        return false;
    }
    return true;
}

void check_complete(const options& opts) {
    if (opts.outdir.empty()) bad("the output directory is missing");
    if (opts.n_cases < 0) bad("--cases is missing");
    if (opts.n_vars == 0 && opts.net_file.empty()) bad("--vars is missing (it may be left out only with --from)");
}

}  // namespace

options parse_options(int argc, const char* const* argv) {
    options opts;
    bool only_operands = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (only_operands || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!opts.outdir.empty()) bad(strprintf("only one output directory, not also '%s'", argv[i]));
            opts.outdir = std::string(arg);
        } else if (arg == "--") {
            only_operands = true;
        } else if (arg == "--help" || arg == "-h") {
            opts.help = true;
            return opts;
        } else if (arg == "--force") {
            opts.force = true;
        } else {
            // --name value or --name=value
            const std::size_t equals = arg.find('=');
            const std::string_view name = arg.substr(0, equals);
            std::string_view value;
            if (equals != std::string_view::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < argc) {
                value = argv[i + 1];
            } else {
                bad(strprintf("%s needs a value", argv[i]));
            }
            if (!apply_valued(name, value, opts)) bad(strprintf("unknown option '%s'", argv[i]));
            if (equals == std::string_view::npos) ++i;
        }
    }
    check_complete(opts);
    return opts;
}

const char* usage_text() {
    return "Usage: gaussnet-sim --vars N --cases N [--parents K] [--weights LO:HI] [--noise SD]\n"
           "                    [--seed S] [--prefix NAME] [--from NETFILE] [--transform T]\n"
           "                    [--force] OUTDIR\n"
           "\n"
           "Draws cases from a linear Gaussian network and writes OUTDIR/data.txt and\n"
           "OUTDIR/net.txt in the formats gaussnet reads, then prints the gaussnet\n"
           "command line that compares its learners on them.\n"
           "\n"
           "  --vars N         number of variables (may be left out with --from)\n"
           "  --cases N        number of cases (0 writes the header alone)\n"
           "  --parents K      expected parents per variable (default 2): in a random\n"
           "                   order, each pair (earlier, later) becomes an arc with\n"
           "                   probability min(1, 2K/(N-1))\n"
           "  --weights LO:HI  arc weights uniform in [LO, HI) with a random sign\n"
           "                   (default 0.5:1)\n"
           "  --noise SD       standard deviation of every variable's noise (default 1)\n"
           "  --seed S         seed, 0 to 2^64-1 (default 1); the same options and seed\n"
           "                   give the same files on every machine\n"
           "  --prefix NAME    variable names NAME1 ... NAMEN (default X)\n"
           "  --from NETFILE   take the structure from NETFILE instead: N lines of N\n"
           "                   digits, 1-9 = arc from the row's to the column's variable;\n"
           "                   it must be acyclic\n"
           "  --transform T    put each variable's values through an increasing function:\n"
           "                   none (default), exp, cube, logistic, or mix (exp, cube\n"
           "                   and logistic in turn); the network stays the truth\n"
           "  --force          overwrite an existing data.txt and net.txt\n"
           "  --help           show this text\n"
           "\n"
           "OUTDIR is created if missing. Exit status: 0 done, 1 failure (nothing\n"
           "half-written is left), 2 bad options.\n";
}

}  // namespace gaussnet::simulate
