// The HTML report: its data cannot break out of the page, and in a real
// browser (headless Chromium) the page draws the run's edges, finds a
// variable and redraws the consensus network at a frequency as the strength
// file says. The browser tests skip where no Chromium is installed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "report/report.h"
#include "support/expected_output.h"
#include "support/run_program.h"

namespace gaussnet {
namespace {

namespace fs = std::filesystem;
using test::mask_seconds;
using test::program_result;
using test::run_program;
using test::temp_dir;

TEST(Report, NamesAndNumbersCannotBreakOutOfThePage) {
    report_book book{{"</script><b>", "say \"hi\"\\", "tab\there", std::string("caf\xe9")}, {{"data file", "a<b"}}, {}};
    report_run run{"IAMB2", 0.5, 10, std::nullopt, {}, {}, std::nullopt};
    run.edges.push_back({0, 1, edge_status::fp, true, edge_evidence{-0.25, 1e-300}});
    run.edges.push_back({2, 3, edge_status::fn, false, std::nullopt});
    book.runs.push_back(run);
    const std::string json = report_json(book);
    EXPECT_EQ(json.find('<'), std::string::npos) << json;
    const std::pair<const char*, const char*> expected[] = {
        {"\\u003c/script\\u003e\\u003cb\\u003e", "a tag in a name"},
        {"say \\\"hi\\\"\\\\", "quotes and backslashes"},
        {"tab\\u0009here", "a control character"},
        {"caf\xc3\xa9", "a Latin-1 byte as its character"},
        {"[0,1,\"fp\",true,-0.25,1e-300]", "a false edge with its evidence"},
        {"[2,3,\"fn\",null,null,null]", "a missed edge"},
        {"\"bootstrap\":null", "no bootstrap"},
    };
    for (const auto& [text, what] : expected) EXPECT_NE(json.find(text), std::string::npos) << what << ": " << json;
    if (!report_available()) GTEST_SKIP() << "built without the graph-drawing library";
    const std::string html = report_html(book);
    for (const char* place : {"@@STYLE@@", "@@DATA@@", "@@LIBRARY@@", "@@SCRIPT@@"})
        EXPECT_EQ(html.find(place), std::string::npos) << place;
    EXPECT_NE(html.find(json), std::string::npos);
    EXPECT_EQ(html.find("src=\"http"), std::string::npos) << "the page fetches nothing";
}

// ----- in the browser -----

std::string chromium() {
    if (const char* given = std::getenv("GAUSSNET_CHROMIUM")) return given;
    for (const char* path : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
        if (fs::exists(path)) return path;
    return "";
}

using csv_rows = std::vector<std::vector<std::string>>;

// The rows of a CSV file without quoted fields, its header left out.
csv_rows read_rows(const std::string& text) {
    csv_rows rows;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        std::string field;
        while (std::getline(cells, field, ',')) fields.push_back(field);
        if (line.ends_with(',')) fields.push_back("");
        rows.push_back(fields);
    }
    return rows;
}

// The data-* attributes of <body> once the page has run.
std::map<std::string, std::string> page_state(const temp_dir& dir, const std::string& hash) {
    const program_result shown =
        run_program(chromium(),
                    {"--headless", "--no-sandbox", "--disable-gpu", "--user-data-dir=" + (dir / "profile").string(),
                     "--virtual-time-budget=20000", "--dump-dom", "file://" + (dir / "r.html").string() + hash},
                    dir, std::chrono::seconds(120));
    std::map<std::string, std::string> state;
    std::smatch body;
    if (!std::regex_search(shown.out, body, std::regex("<body([^>]*)>"))) return state;
    const std::string attributes = body[1];
    const std::regex attribute("data-([a-z-]+)=\"([^\"]*)\"");
    for (std::sregex_iterator it(attributes.begin(), attributes.end(), attribute), end; it != end; ++it)
        state[(*it)[1]] = (*it)[2];
    return state;
}

// The consensus network at frequency, as the strength file says: the pairs
// learned in that share of the resamples, and the true pairs below it (missed).
int consensus_edges(const csv_rows& strength, double frequency) {
    int edges = 0;
    for (const auto& row : strength) {
        const double share = std::strtod(row[2].c_str(), nullptr);
        const bool inside = share > 0 && share >= frequency;
        const bool true_pair = row[3] == "tp" || row[3] == "fn";
        edges += inside || true_pair;
    }
    return edges;
}

TEST(ReportInBrowser, DrawsTheEdgesFindsAVariableAndRedrawsTheConsensus) {
    if (chromium().empty()) GTEST_SKIP() << "no Chromium installed (tools/check-deps.sh installs it as root)";
    if (!report_available()) GTEST_SKIP() << "built without the graph-drawing library (npm could not fetch it)";
    temp_dir dir;
    ASSERT_EQ(run_program(GAUSSNET_SIM_BIN, {"--vars", "40", "--cases", "600", "--seed", "7", "."}, dir).exit_status,
              0);
    const std::vector<std::string> args = {"--learners", "IAMB2", "--bootstrap", "20", "--export", "out",
                                           "data.txt",   "600",   "40",          "1",  "0.05",     "0"};
    const program_result plain = run_program(GAUSSNET_BIN, args, dir);
    std::vector<std::string> with_report = {"--report", "r.html"};
    with_report.insert(with_report.end(), args.begin(), args.end());
    const program_result reported = run_program(GAUSSNET_BIN, with_report, dir);
    ASSERT_EQ(reported.exit_status, 0) << reported.out << reported.err;
    EXPECT_EQ(mask_seconds(reported.out), mask_seconds(plain.out)) << "the report changes no other output";

    const csv_rows edges = read_rows(dir.read("out/IAMB2.edges.csv"));
    const csv_rows strength = read_rows(dir.read("out/IAMB2.strength.csv"));
    auto drawn = page_state(dir, "");
    EXPECT_EQ(drawn["ready"], "true");
    EXPECT_EQ(drawn["nodes"], "40");
    EXPECT_EQ(drawn["edges"], std::to_string(edges.size()));

    for (const double frequency : {0.3, 0.9}) {
        SCOPED_TRACE(frequency);
        auto consensus = page_state(dir, "#run=IAMB2&search=x7&frequency=" + std::to_string(frequency));
        EXPECT_EQ(consensus["selected"], "X7");
        EXPECT_EQ(consensus["view"], "consensus");
        EXPECT_EQ(consensus["edges"], std::to_string(consensus_edges(strength, frequency)));
    }
    EXPECT_NE(consensus_edges(strength, 0.3), consensus_edges(strength, 0.9)) << "pick frequencies that differ";

    // A picture among the tests' output, to look at.
    const fs::path picture = fs::current_path() / "report-screenshot.png";
    run_program(chromium(),
                {"--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars", "--window-size=1400,1000",
                 "--user-data-dir=" + (dir / "profile").string(), "--virtual-time-budget=20000",
                 "--screenshot=" + picture.string(), "file://" + (dir / "r.html").string() + "#search=X7"},
                dir, std::chrono::seconds(120));
    EXPECT_GT(fs::exists(picture) ? fs::file_size(picture) : 0, 10000u);
}

TEST(Report, AFileThatCannotBeWrittenStopsTheProgramBeforeLearning) {
    temp_dir dir;
    fs::create_directory(dir / "taken");
    dir.write("d.txt", "a b\n1 2\n3 5\n4 4\n");
    const program_result run =
        run_program(GAUSSNET_BIN, {"--report", "taken", "d.txt", "3", "2", "0", "0.05", "0"}, dir);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_NE(run.out.find(report_available() ? "taken: it is a directory" : "without the HTML report"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("n_vars="), std::string::npos);
}

}  // namespace
}  // namespace gaussnet
