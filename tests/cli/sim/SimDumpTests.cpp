// `dump FIELD...` computes only the fields it prints: a field that counts its own computing
// shows which were built.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/sim/SimExtension.hpp"
#include "cli/sim/SimSession.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace {

int probeComputed = 0;

const SimDumpFieldRegistration probe{"probe", [](SimContext&) { return nlohmann::json(++probeComputed); }};

class SimDump : public test_support::DeviceRootTest {};

TEST_F(SimDump, OnlyTheNamedFieldsAreComputed) {
  std::ostringstream out;
  SimSession session(out, root_.string());
  const int before = probeComputed;

  session.run({"dump", "posted", "alerts"});
  EXPECT_EQ(probeComputed, before) << "a field that was not asked for was computed";
  auto some = nlohmann::json::parse(out.str());
  EXPECT_EQ(some.size(), 2u) << some.dump();
  EXPECT_TRUE(some.contains("posted") && some.contains("alerts")) << some.dump();

  // Named twice, computed once; the whole dump computes every field.
  out.str("");
  session.run({"dump", "probe", "probe"});
  EXPECT_EQ(probeComputed, before + 1);
  EXPECT_EQ(nlohmann::json::parse(out.str()), nlohmann::json({{"probe", before + 1}}));
  out.str("");
  session.run({"dump"});
  EXPECT_EQ(probeComputed, before + 2);
  EXPECT_TRUE(nlohmann::json::parse(out.str()).contains("window"));

  // An unknown name is refused, before any field is computed.
  out.str("");
  EXPECT_THROW(session.run({"dump", "probe", "nothing"}), SimError);
  EXPECT_EQ(probeComputed, before + 2);
  EXPECT_EQ(out.str(), "");
}

}  // namespace
