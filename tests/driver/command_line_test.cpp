#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/fatal_error.h"

namespace gaussnet {
namespace {

// parse_command_line over the words after the program name.
command_line parse(std::vector<std::string> words) {
    words.insert(words.begin(), "gaussnet");
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    return parse_command_line(static_cast<int>(words.size()), argv.data());
}

// Whether parsing words ends with the usage error (status 2, the usage text).
bool is_usage_error(const std::vector<std::string>& words) {
    try {
        parse(words);
    } catch (const fatal_error& error) {
        EXPECT_EQ(error.status(), exit_usage);
        EXPECT_STREQ(error.what(), usage_text().c_str());
        return true;
    }
    return false;
}

const std::vector<std::string> six{"data.txt", "100", "5", "0", "0.05", "0"};

TEST(CommandLine, UsageText) {
    EXPECT_EQ(usage_text(),
              "Usage: data_file n_cases n_vars true_net(0=no,1=yes) alpha exact(0=no,1=yes) [target radius].");
}

TEST(CommandLine, OnlySixOrEightPositionalArguments) {
    std::vector<std::string> words;
    for (int count = 0; count <= 10; ++count) {
        EXPECT_EQ(is_usage_error(words), count != 6 && count != 8) << count << " arguments";
        words.push_back(std::to_string(count));
    }
}

TEST(CommandLine, PositionalArgumentsAreKeptVerbatim) {
    const std::vector<std::string> eight{" data file.txt", "100", "5", "1", "abc", "2", "Raf", " 3x"};
    EXPECT_EQ(parse(eight).positional, eight);
    // A single dash or a negative number is no option.
    const std::vector<std::string> signed_words{"-", "5", "5", "-1", "-0.05", "-3"};
    EXPECT_EQ(parse(signed_words).positional, signed_words);
}

TEST(CommandLine, PositionalArgumentsAreConvertedOnce) {
    const command_line six_words = parse({"d.txt", " 100x", "5", "1", "abc", "2"});
    EXPECT_EQ(six_words.data_file, "d.txt");
    EXPECT_EQ(six_words.n_cases, 100);
    EXPECT_EQ(six_words.n_vars, 5);
    EXPECT_EQ(six_words.true_net, 1);
    EXPECT_EQ(six_words.alpha, 0.0);
    EXPECT_EQ(six_words.exact, 2);
    EXPECT_EQ(six_words.test, test_kind::student_t);
    EXPECT_FALSE(six_words.local.has_value());
    EXPECT_EQ(parse({"d.txt", "100", "5", "0", "0.05", "0"}).test, test_kind::fisher_z);

    const command_line eight_words = parse({"d.txt", "100", "5", "0", "0.05", "0", "Raf", "2x"});
    ASSERT_TRUE(eight_words.local.has_value());
    EXPECT_EQ(eight_words.local->target, "Raf");
    EXPECT_EQ(eight_words.local->radius, 2);

    // A negative count is an input error (status 1), not a usage error.
    for (const auto& [words, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"d.txt", "-5", "5", "0", "0.05", "0"}, "Negative n_cases (-5)."},
             {{"d.txt", "5", "-1", "0", "0.05", "0"}, "Negative n_vars (-1)."},
             {{"d.txt", "5", "99999999999", "0", "0.05", "0"}, "Too large n_vars (99999999999)."}}) {
        try {
            parse(words);
            ADD_FAILURE() << message;
        } catch (const fatal_error& error) {
            EXPECT_EQ(error.status(), exit_failure);
            EXPECT_EQ(error.what(), message);
        }
    }
}

// The usage error's text, or "" when the words parse.
std::string usage_error_text(const std::vector<std::string>& words) {
    try {
        parse(words);
    } catch (const fatal_error& error) {
        EXPECT_EQ(error.status(), exit_usage);
        return error.what();
    }
    return "";
}

TEST(CommandLine, LearnersOption) {
    auto learners = [](const std::string& list) {
        const command_line line = parse({"--learners", list, "d", "1", "1", "0", "0.05", "0"});
        EXPECT_TRUE(line.learners_given);
        std::string chosen;
        for (const learner_kind kind : all_learners)
            if (line.runs(kind)) chosen += std::string(chosen.empty() ? "" : ",") + learner_name(kind);
        return chosen;
    };
    EXPECT_EQ(learners("IAMB2"), "IAMB2");
    EXPECT_EQ(learners("iamb1,ee"), "EE,IAMB1");  // the runs keep their fixed order
    EXPECT_EQ(learners("Iamb2,IAMB2"), "IAMB2");
    EXPECT_EQ(learners("EE,IAMB2,IAMB1"), "EE,IAMB2,IAMB1");
    EXPECT_EQ(parse({"--learners=ee", "d", "1", "1", "0", "0.05", "0"}).runs(learner_kind::iamb2), false);
    const command_line plain = parse(six);
    EXPECT_FALSE(plain.learners_given);
    for (const learner_kind kind : all_learners) EXPECT_TRUE(plain.runs(kind));

    const std::string unknown = usage_error_text({"--learners", "EE,PC", "d", "1", "1", "0", "0.05", "0"});
    EXPECT_NE(unknown.find("\"PC\""), std::string::npos) << unknown;
    EXPECT_NE(unknown.find(usage_text()), std::string::npos) << unknown;
    EXPECT_NE(usage_error_text({"--learners", "EE,,IAMB1", "d", "1", "1", "0", "0.05", "0"}).find("\"\""),
              std::string::npos);
    // Not with the local mode.
    EXPECT_NE(usage_error_text({"--learners", "IAMB2", "d", "1", "1", "0", "0.05", "0", "X", "1"}), "");
    EXPECT_TRUE(is_usage_error({"--learners"}));
}

TEST(CommandLine, NetAndDecimalCommaOptions) {
    const command_line line = parse({"--net", "truth/mine.txt", "--decimal-comma", "d", "1", "1", "1", "0.05", "0"});
    EXPECT_EQ(line.net_file, "truth/mine.txt");
    EXPECT_TRUE(line.reading.decimal_comma);
    EXPECT_EQ(parse(six).net_file, "net.txt");
    EXPECT_FALSE(parse(six).reading.decimal_comma);
    EXPECT_EQ(parse({"--net=n.txt", "d", "1", "1", "1", "0.05", "0", "X", "1"}).net_file, "n.txt");
    EXPECT_NE(usage_error_text({"--net", "n.txt", "d", "1", "1", "0", "0.05", "0"}).find("true_net 1"),
              std::string::npos);
    EXPECT_NE(usage_error_text({"--net=", "d", "1", "1", "1", "0.05", "0"}), "");
    EXPECT_NE(help_text().find("--net FILE"), std::string::npos);
}

TEST(CommandLine, ExportAndTableOptions) {
    const command_line line = parse({"--export", "out dir", "--table=t.csv", "d", "1", "1", "0", "0.05", "0"});
    EXPECT_EQ(line.export_dir, "out dir");
    EXPECT_EQ(line.table_file, "t.csv");
    EXPECT_EQ(parse(six).export_dir, "");
    EXPECT_NE(usage_error_text({"--export=", "d", "1", "1", "0", "0.05", "0"}), "");
    EXPECT_NE(usage_error_text({"--table", "", "d", "1", "1", "0", "0.05", "0"}), "");
    EXPECT_TRUE(is_usage_error({"--table"}));
    EXPECT_NE(help_text().find("--learners LIST"), std::string::npos);
    EXPECT_NE(help_text().find("--export DIR"), std::string::npos);
    EXPECT_NE(help_text().find("--table FILE"), std::string::npos);
    EXPECT_EQ(parse({"--report=r.html", "d", "1", "1", "0", "0.05", "0"}).report_file, "r.html");
    EXPECT_EQ(parse(six).report_file, "");
    EXPECT_NE(usage_error_text({"--report", "", "d", "1", "1", "0", "0.05", "0"}), "");
    EXPECT_NE(help_text().find("--report FILE"), std::string::npos);
}

TEST(CommandLine, CorrelationAndMissingOptions) {
    auto with = [](std::vector<std::string> options) {
        options.insert(options.end(), six.begin(), six.end());
        return parse(options);
    };
    EXPECT_EQ(parse(six).correlation, correlation_kind::pearson);
    EXPECT_FALSE(parse(six).reading.complete_cases);
    EXPECT_EQ(with({"--correlation", "spearman"}).correlation, correlation_kind::spearman);
    EXPECT_EQ(with({"--correlation=kendall"}).correlation, correlation_kind::kendall);
    EXPECT_EQ(with({"--correlation", "normal"}).correlation, correlation_kind::normal);
    EXPECT_EQ(with({"--correlation", "pearson"}).correlation, correlation_kind::pearson);
    EXPECT_TRUE(with({"--missing", "complete"}).reading.complete_cases);
    // A bad value is a usage error that names the option and the value.
    const std::pair<std::vector<std::string>, std::string> bad[] = {
        {{"--correlation", "Spearman"}, "\"Spearman\" in --correlation"},
        {{"--correlation="}, "\"\" in --correlation"},
        {{"--missing", "drop"}, "\"drop\" in --missing"},
    };
    for (const auto& [options, named] : bad) {
        std::vector<std::string> words = options;
        words.insert(words.end(), six.begin(), six.end());
        EXPECT_NE(usage_error_text(words).find(named), std::string::npos) << named;
    }
    EXPECT_TRUE(is_usage_error({"--correlation"}));
}

TEST(CommandLine, ThreadsOption) {
    auto with = [](std::vector<std::string> options) {
        options.insert(options.end(), six.begin(), six.end());
        return options;
    };
    EXPECT_EQ(parse(with({"--threads", "3"})).n_threads, 3);
    EXPECT_EQ(parse(with({"--threads=1"})).n_threads, 1);
    EXPECT_EQ(parse(with({"--threads", "2", "--threads", "4"})).n_threads, 4);
    EXPECT_EQ(parse(with({"--threads", "3"})).positional, six);
    EXPECT_EQ(parse(six).n_threads, available_cores());
    EXPECT_GE(available_cores(), 1);
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--threads", "0"},
                                                {"--threads", "-2"},
                                                {"--threads", "abc"},
                                                {"--threads", "3x"},
                                                {"--threads="},
                                                {"--threads", "99999"},
                                                {"--thread", "2"},
                                                {"--bogus"}}) {
        EXPECT_TRUE(is_usage_error(with(bad))) << bad[0] << " " << (bad.size() > 1 ? bad[1] : "");
    }
    EXPECT_TRUE(is_usage_error({"--threads"}));
}

TEST(CommandLine, DoubleDashEndsTheOptions) {
    const command_line line = parse({"--", "--data.txt", "100", "5", "0", "0.05", "0"});
    EXPECT_EQ(line.positional.at(0), "--data.txt");
    // Options after the positional arguments are positional themselves.
    EXPECT_TRUE(is_usage_error({"data.txt", "100", "5", "0", "0.05", "0", "--threads"}));
}

TEST(CommandLine, HelpAndVersionNeedNoPositionalArguments) {
    EXPECT_TRUE(parse({"--help"}).show_help);
    EXPECT_TRUE(parse({"--version"}).show_version);
    EXPECT_TRUE(parse({"--help", "x"}).show_help);
    EXPECT_NE(help_text().find("--threads N"), std::string::npos);
}

TEST(CommandLine, ConversionsFollowTheCLibrary) {
    const std::pair<const char*, int> ints[] = {{"abc", 0}, {" 12x", 12}, {"-7", -7},  {"+3", 3},
                                                {"", 0},    {"\t5", 5},   {"0x1A", 0}, {"2.9", 2}};
    for (const auto& [text, value] : ints) EXPECT_EQ(convert_int(text), value) << text;
    const std::pair<const char*, double> doubles[] = {{"abc", 0.0},  {"0.05", 0.05}, {" 1e-2x", 0.01},
                                                      {"-.5", -0.5}, {"", 0.0},      {"5", 5.0}};
    for (const auto& [text, value] : doubles) EXPECT_EQ(convert_double(text), value) << text;
}

}  // namespace
}  // namespace gaussnet
