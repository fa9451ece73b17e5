// The passes of one target, driven by p-values chosen per member set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "learners/blanket.h"

namespace gaussnet {
namespace {

using member_set = std::vector<std::uint8_t>;

// Three variables, target 0: the p-values of variables 1 and 2 for each member set.
struct scripted_tests {
    std::map<member_set, std::pair<double, double>> script;
    int passes = 0;

    pass_tester tester() {
        return [this](int, const std::uint8_t* flags, int, double* p, int* index) {
            ++passes;
            const auto& values = script.at(member_set(flags, flags + 3));
            p[0] = values.first;
            p[1] = values.second;
            index[0] = 1;
            index[1] = 2;
        };
    }
};

const std::vector<std::string> three_names = {"T", "A", "B"};

learner_setting three_variables(double alpha) { return {{test_kind::fisher_z, 100, alpha}, 1, three_names}; }

TEST(Passes, ReturningToAnEarlierMemberSetStopsThereAndSaysSo) {
    // {} adds A; {A} adds B; {A,B} removes A (weakest, not significant);
    // {B} adds A again: {A,B} was seen, so the passes stop with {A,B}.
    scripted_tests tests;
    tests.script[{0, 0, 0}] = {0.001, 0.5};
    tests.script[{0, 1, 0}] = {0.001, 0.002};
    tests.script[{0, 1, 1}] = {0.4, 0.001};
    tests.script[{0, 0, 1}] = {0.001, 0.001};
    const learner_setting setting = three_variables(0.05);
    blanket_learner learner(setting, 3, tests.tester());
    testing::internal::CaptureStderr();
    const member_set result = learner.learn(iamb_variant::plain, 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, (member_set{0, 1, 1}));
    EXPECT_EQ(tests.passes, 4);
    EXPECT_NE(err.find("target T"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
}

TEST(Passes, EndWhenNothingChangesWithoutAMessage) {
    scripted_tests tests;
    tests.script[{0, 0, 0}] = {0.001, 0.5};
    tests.script[{0, 1, 0}] = {0.001, 0.3};
    const learner_setting setting = three_variables(0.05);
    blanket_learner learner(setting, 3, tests.tester());
    testing::internal::CaptureStderr();
    EXPECT_EQ(learner.learn(iamb_variant::adjusted, 0), (member_set{0, 1, 0}));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(tests.passes, 2);
}

TEST(Passes, NaNNeitherRemovesNorAdds) {
    scripted_tests tests;
    tests.script[{0, 0, 0}] = {0.001, 0.5};
    tests.script[{0, 1, 0}] = {NAN, 0.001};  // member A's NaN: no removal; B is added
    tests.script[{0, 1, 1}] = {NAN, NAN};    // nothing applies
    const learner_setting setting = three_variables(0.05);
    blanket_learner learner(setting, 3, tests.tester());
    EXPECT_EQ(learner.learn(iamb_variant::plain, 0), (member_set{0, 1, 1}));
    EXPECT_EQ(tests.passes, 3);
}

}  // namespace
}  // namespace gaussnet
