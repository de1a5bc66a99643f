// The manual page and completion writers on a small command line of their own: what --help
// defines reaches the page and the script, hidden subcommands reach neither, and hand-written
// sections land where they belong.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/completion/BashCompletion.hpp"
#include "cli/manual/ManualPage.hpp"

namespace {

struct SmallCommand : ::testing::Test {
  SmallCommand() {
    CLI::App* sim = root.add_subcommand("sim", "Run a script");
    sim->add_option("script", script, "Script file");
    sim->add_option("--root", value, "Device root");
    sim->add_option("--idiom", value, "Device idiom")->check(CLI::IsMember({"phone", "pad"}));
    sim->add_flag("--quiet", flag, "Say less");
    sim->footer("Commands:\n  tap X,Y  (touch the screen)\nA bad line stops the script.");
    root.add_subcommand("manual", "Write a page")->group("");
  }
  CLI::App root{"velloway: the tool"};
  std::string script, value;
  bool flag = false;
};

std::string sectionText(const std::string& page, const std::string& name) {
  auto start = page.find(".SH \"" + name + "\"\n");
  if (start == std::string::npos) return "";
  start = page.find('\n', start) + 1;
  return page.substr(start, page.find(".SH ", start) - start);
}

TEST(ManualSections, ReadsHeadingsAndTrimsTheirText) {
  std::istringstream file("ignored before any heading\n[Exit status]\n\n.TP\n0\n\n[FILES]\nnone\n");
  auto sections = manual::readSections(file);
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0].name, "EXIT STATUS");
  EXPECT_EQ(sections[0].text, ".TP\n0\n");
  EXPECT_EQ(sections[1].name, "FILES");
  EXPECT_EQ(sections[1].text, "none\n");
}

TEST(ManualSections, EscapesWhatRoffWouldReadAsControl) {
  EXPECT_EQ(manual::escape("--root C:\\x"), "\\-\\-root C:\\ex");
  EXPECT_EQ(manual::escape(".hidden\n'quoted"), "\\&.hidden\n\\&'quoted");
}

TEST_F(SmallCommand, PageHoldsEveryOptionAndTheFooter) {
  std::string page = manual::page({&root, root.get_subcommand("sim"), {}, "1.2.3", "2026-01-02"});
  EXPECT_EQ(page.rfind(".TH VELLOWAY\\-SIM 1 \"2026-01-02\" \"velloway 1.2.3\"", 0), 0u) << page;
  std::string options = sectionText(page, "OPTIONS");
  for (const char* name : {"script", "\\-\\-root", "\\-\\-idiom", "\\-\\-quiet", "\\-h,\\-\\-help"})
    EXPECT_NE(options.find(name), std::string::npos) << name << " in\n" << options;
  EXPECT_NE(options.find("{phone,pad}"), std::string::npos) << options;
  std::string description = sectionText(page, "DESCRIPTION");
  EXPECT_NE(description.find("tap X,Y  (touch the screen)"), std::string::npos) << description;
  EXPECT_NE(sectionText(page, "SYNOPSIS").find("[\\fIscript\\fR]"), std::string::npos);
}

TEST_F(SmallCommand, HandWrittenSectionsJoinOrFollowTheWrittenOnes) {
  std::vector<manual::Section> extra{{"EXIT STATUS", "2 on a bad line\n"}, {"DESCRIPTION", "More words.\n"}};
  std::string page = manual::page({&root, root.get_subcommand("sim"), extra, "1", "d"});
  EXPECT_NE(sectionText(page, "DESCRIPTION").find("More words."), std::string::npos);
  auto options = page.find(".SH \"OPTIONS\""), exits = page.find(".SH \"EXIT STATUS\""), seeAlso = page.find(".SH \"SEE ALSO\"");
  ASSERT_NE(exits, std::string::npos);
  EXPECT_LT(options, exits);
  EXPECT_LT(exits, seeAlso);
}

TEST_F(SmallCommand, HiddenSubcommandsGetNoMentionAnywhere) {
  std::string page = manual::page({&root, nullptr, {}, "1", "d"});
  EXPECT_NE(sectionText(page, "SUBCOMMANDS").find("velloway sim"), std::string::npos);
  EXPECT_EQ(page.find("manual"), std::string::npos) << page;
  std::string script = completion::bashScript({&root, {{"springboard", {"activate", "dump"}}}});
  EXPECT_EQ(script.find("manual"), std::string::npos);
  EXPECT_NE(script.find("echo \"sim\""), std::string::npos);
}

TEST_F(SmallCommand, CompletionKnowsValuesFlagsAndLines) {
  CLI::App* sim = root.get_subcommand("sim");
  EXPECT_EQ(completion::listedValues(sim->get_option("--idiom")), (std::vector<std::string>{"phone", "pad"}));
  EXPECT_TRUE(completion::listedValues(sim->get_option("--root")).empty());
  std::string script = completion::bashScript({&root, {{"springboard", {"activate", "dump"}}}});
  EXPECT_NE(script.find("\"sim --idiom\") echo \"phone pad\""), std::string::npos) << script;
  EXPECT_NE(script.find("\"sim --root\") return 0"), std::string::npos);
  EXPECT_EQ(script.find("\"sim --quiet\") return 0"), std::string::npos) << "a flag takes no value";
  EXPECT_NE(script.find("\"ctl springboard\") echo \"activate dump\""), std::string::npos);
}

}  // namespace
