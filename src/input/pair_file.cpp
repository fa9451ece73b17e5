#include "input/pair_file.h"

#include <cctype>
#include <unordered_map>

#include "common/fatal_error.h"
#include "common/text.h"
#include "input/data_header.h"
#include "input/file_reader.h"

namespace gaussnet {

namespace {

bool named(const std::string& word, const char* name) {
    if (word.size() != std::char_traits<char>::length(name)) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(word[i])) != name[i]) return false;
    return true;
}

std::string next_line(file_reader& reader, bool& more) {
    std::string line;
    for (int c = reader.get_text(); c != '\n'; c = reader.get_text()) {
        if (c < 0) {
            more = false;
            break;
        }
        line.push_back(static_cast<char>(c));
    }
    return line;
}

[[noreturn]] void fault(const pair_list& list, const listed_pair& pair, const std::string& what) {
    throw fatal_error(strprintf("%s, %s %lld: %s", list.source.c_str(), list.place.c_str(), pair.place, what.c_str()));
}

std::vector<variable_pair> indices_of(const pair_list& list, const std::unordered_map<std::string, int>& index) {
    std::vector<variable_pair> pairs;
    pairs.reserve(list.pairs.size());
    for (const listed_pair& pair : list.pairs) {
        int ends[2] = {0, 0};
        const std::string* names[2] = {&pair.first, &pair.second};
        for (int e = 0; e < 2; ++e) {
            const auto found = index.find(*names[e]);
            if (found == index.end()) fault(list, pair, strprintf("no variable named \"%s\".", names[e]->c_str()));
            ends[e] = found->second;
        }
        if (ends[0] == ends[1])
            fault(list, pair, strprintf("variable \"%s\" is paired with itself.", pair.first.c_str()));
        pairs.push_back({ends[0], ends[1]});
    }
    return pairs;
}

}  // namespace

pair_list read_pair_file(const std::string& path, const std::string& option) {
    pair_list list{option + " file " + path, "line", {}};
    file_reader reader(path, list.source);
    reader.skip_byte_order_mark();
    bool more = true;
    for (long long number = 1; more; ++number) {
        const std::string line = next_line(reader, more);
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        const std::vector<std::string> names = split_header_names(line);
        const listed_pair pair{names.size() > 0 ? names[0] : "", names.size() > 1 ? names[1] : "", number};
        if (names.size() != 2)
            fault(list, pair, strprintf("%zu names, 2 expected (a pair of variables).", names.size()));
        if (list.pairs.empty() && named(pair.first, "source") && named(pair.second, "target")) {
            list.pairs.push_back(pair);  // a header, unless these name variables (resolve_pairs decides)
            list.pairs.back().place = -number;
            continue;
        }
        list.pairs.push_back(pair);
    }
    return list;
}

pair_constraints resolve_pairs(const pair_list& forbid, const pair_list& require, std::span<const std::string> names,
                               int n_cases) {
    std::unordered_map<std::string, int> index;
    for (std::size_t v = names.size(); v-- > 0;) index[names[v]] = static_cast<int>(v);
    // A "source,target" first line is a header unless both name variables.
    auto without_header = [&index](pair_list list) {
        if (!list.pairs.empty() && list.pairs.front().place < 0) {
            listed_pair& header = list.pairs.front();
            header.place = -header.place;
            if (!index.contains(header.first) || !index.contains(header.second)) list.pairs.erase(list.pairs.begin());
        }
        return list;
    };
    const pair_list forbidden_list = without_header(forbid), required_list = without_header(require);
    std::vector<variable_pair> forbidden = indices_of(forbidden_list, index);
    std::vector<variable_pair> required = indices_of(required_list, index);
    const int n_vars = static_cast<int>(names.size());
    if (const auto conflict = first_conflict(forbidden, required)) {
        const listed_pair& f = forbidden_list.pairs[conflict->forbidden_at];
        const listed_pair& r = required_list.pairs[conflict->required_at];
        throw fatal_error(strprintf("The pair %s, %s is both forbidden (%s, %s %lld) and required (%s, %s %lld).",
                                    r.first.c_str(), r.second.c_str(), forbidden_list.source.c_str(),
                                    forbidden_list.place.c_str(), f.place, required_list.source.c_str(),
                                    required_list.place.c_str(), r.place));
    }
    pair_constraints pairs(n_vars, std::move(forbidden), std::move(required));
    if (const auto v = overfull_variable(pairs, n_cases))
        throw fatal_error(overfull_text(names[static_cast<std::size_t>(*v)], pairs.required_count(*v), n_cases));
    return pairs;
}

}  // namespace gaussnet
