// Runs each scenario script of this folder with `velloway sim` and checks the expectations
// written in it as comment lines:
//   #args ARGS...          options for velloway sim (device profile, ...)
//   #exit N                expected exit status (default 0)
//   #stderr TEXT           stderr contains TEXT
//   #stdout TEXT           stdout has a line equal to TEXT
//   #= POINTER JSON        in the latest dump above this line, the value at the JSON pointer
//                          equals JSON
//   #len POINTER N         ... the array or object at the pointer has N members
//   #absent POINTER        ... the pointer names nothing
// A pointer may use [class=NAME] or [property=NAME] for "the first subview (searched depth
// first, content views included) whose class or property is NAME", e.g.
//   #= /window[property=smallCoverArt]/frame [150,18,100,100]
#include <gtest/gtest.h>

#include <fmt/format.h>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/fs/TemporaryFolder.hpp"
#include "tests/support/ChildProcess.hpp"
#include "tests/support/ViewTree.hpp"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct Expectation {
  int line;
  int dumpIndex;  // -1: before any dump
  std::string kind;
  std::string pointer;
  std::string value;
};

struct Scenario {
  std::string args;
  int exitStatus = 0;
  std::vector<std::string> stderrContains, stdoutLines;
  std::vector<Expectation> checks;
};

std::string trim(std::string s) {
  while (!s.empty() && isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  size_t i = 0;
  while (i < s.size() && isspace(static_cast<unsigned char>(s[i]))) ++i;
  return s.substr(i);
}

Scenario parseScenario(const fs::path& file) {
  Scenario sc;
  std::ifstream in(file);
  std::string line;
  int number = 0, dumps = 0;
  while (std::getline(in, line)) {
    ++number;
    std::string t = trim(line);
    auto rest = [&](size_t n) { return trim(t.substr(n)); };
    if (t == "dump" || t.rfind("dump ", 0) == 0) ++dumps;
    if (t.rfind("#args ", 0) == 0)
      sc.args = rest(6);
    else if (t.rfind("#exit ", 0) == 0)
      sc.exitStatus = std::stoi(rest(6));
    else if (t.rfind("#stderr ", 0) == 0)
      sc.stderrContains.push_back(rest(8));
    else if (t.rfind("#stdout ", 0) == 0)
      sc.stdoutLines.push_back(rest(8));
    else if (t.rfind("#= ", 0) == 0 || t.rfind("#len ", 0) == 0 || t.rfind("#absent ", 0) == 0) {
      std::string kind = t.substr(0, t.find(' '));
      std::string body = rest(kind.size());
      auto space = body.find(' ');
      Expectation e{number, dumps - 1, kind, body.substr(0, space), space == std::string::npos ? "" : trim(body.substr(space))};
      sc.checks.push_back(e);
    }
  }
  return sc;
}

using view_tree::findView;

// Resolves a pointer with [key=value] steps; null when it names nothing.
const json* resolve(const json& root, const std::string& pointer) {
  const json* node = &root;
  size_t i = 0;
  while (i < pointer.size()) {
    if (pointer[i] == '[') {
      size_t close = pointer.find(']', i);
      std::string sel = pointer.substr(i + 1, close - i - 1);
      auto eq = sel.find('=');
      node = findView(*node, sel.substr(0, eq), sel.substr(eq + 1));
      if (!node) return nullptr;
      i = close + 1;
      continue;
    }
    size_t next = pointer.find_first_of("/[", i + 1);
    std::string step = pointer.substr(i, next == std::string::npos ? std::string::npos : next - i);
    try {
      node = &node->at(json::json_pointer(step));
    } catch (const std::exception&) {
      return nullptr;
    }
    if (next == std::string::npos) break;
    i = next;
  }
  return node;
}

std::vector<fs::path> scenarioFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(SCENARIO_DIR))
    if (entry.path().extension() == ".sim") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

class Scenarios : public ::testing::TestWithParam<fs::path> {};

TEST_P(Scenarios, Run) {
  const fs::path file = GetParam();
  Scenario sc = parseScenario(file);
  fs::path tmp = device_fs::makeTemporaryFolder("velloway-scenario-" + file.stem().string());
  std::string command =
      fmt::format("cd '{}' && '{}' sim {} '{}' < /dev/null", SCENARIO_DIR, VELLOWAY_BINARY, sc.args, file.string());
  test_process::ShellResult run = test_process::runShell(command, tmp);
  int exitStatus = test_process::exitStatusOf(run.waitStatus);
  std::string stdoutText = run.out, stderrText = run.err;
  fs::remove_all(tmp);

  EXPECT_EQ(exitStatus, sc.exitStatus) << "stderr:\n" << stderrText;
  for (const auto& text : sc.stderrContains)
    EXPECT_NE(stderrText.find(text), std::string::npos) << "stderr lacks: " << text << "\n" << stderrText;

  std::vector<json> dumps;
  std::vector<std::string> lines;
  std::istringstream ss(stdoutText);
  for (std::string line; std::getline(ss, line);) {
    lines.push_back(line);
    if (!line.empty() && line[0] == '{') dumps.push_back(json::parse(line));
  }
  for (const auto& text : sc.stdoutLines)
    EXPECT_NE(std::find(lines.begin(), lines.end(), text), lines.end()) << "stdout lacks line: " << text;

  for (const auto& e : sc.checks) {
    SCOPED_TRACE(fmt::format("{}:{}: {} {} {}", file.filename().string(), e.line, e.kind, e.pointer, e.value));
    ASSERT_GE(e.dumpIndex, 0) << "expectation before any dump";
    ASSERT_LT(e.dumpIndex, static_cast<int>(dumps.size())) << "the script stopped before this dump";
    const json* got = resolve(dumps[e.dumpIndex], e.pointer);
    if (e.kind == "#absent") {
      EXPECT_TRUE(got == nullptr) << "found: " << got->dump();
    } else if (e.kind == "#len") {
      ASSERT_NE(got, nullptr) << "nothing at the pointer";
      EXPECT_EQ(got->size(), static_cast<size_t>(std::stoul(e.value))) << got->dump();
    } else {
      ASSERT_NE(got, nullptr) << "nothing at the pointer";
      json want = json::parse(e.value);
      EXPECT_EQ(*got, want) << "got " << got->dump();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Scripts, Scenarios, ::testing::ValuesIn(scenarioFiles()),
                         [](const ::testing::TestParamInfo<fs::path>& info) {
                           std::string name = info.param.stem().string();
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
