#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string run(const std::string &args, int *status) {
    std::string out;
    FILE *p = popen((std::string(ZEBVRML2_TOOL) + " " + args + " 2>/dev/null").c_str(), "r");
    char buffer[512];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
    *status = pclose(p);
    return out;
}

TEST(TypesCommand, PrintsTheTenMembersOfTransformWithDefaults) {
    int status = 0;
    std::string out = run("types Transform", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out,
              "Transform {\n"
              "  eventIn      MFNode     addChildren\n"
              "  eventIn      MFNode     removeChildren\n"
              "  exposedField SFVec3f    center 0.000000 0.000000 0.000000\n"
              "  exposedField MFNode     children []\n"
              "  exposedField SFRotation rotation 0.000000 0.000000 1.000000 0.000000\n"
              "  exposedField SFVec3f    scale 1.000000 1.000000 1.000000\n"
              "  exposedField SFRotation scaleOrientation 0.000000 0.000000 1.000000 0.000000\n"
              "  exposedField SFVec3f    translation 0.000000 0.000000 0.000000\n"
              "  field        SFVec3f    bboxCenter 0.000000 0.000000 0.000000\n"
              "  field        SFVec3f    bboxSize -1.000000 -1.000000 -1.000000\n"
              "}\n");
}

TEST(TypesCommand, ListsAllTypesAndRejectsUnknownNames) {
    int status = 0;
    std::string out = run("types", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("50 Transform                10 members\n"), std::string::npos);
    EXPECT_NE(out.find("80 ZEBSurface2              12 members\n"), std::string::npos);
    run("types NoSuchType", &status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

}  // namespace
