// tk::Interp under Xvfb: what the glue reads back from Tcl as numbers.
#include <string>

#include "gtest/gtest.h"
#include "ui/tk_interp.h"

namespace zarvek::tk {
namespace {

// CallInt takes only a plain decimal int; anything else, which the glue
// would otherwise read as 0, is an error that names the command and the
// reply.
TEST(TkInterpTest, CallIntReadsOnlyWholeDecimalNumbers) {
  std::string error;
  std::unique_ptr<Interp> interp = Interp::Create("tk_interp_test", &error);
  ASSERT_TRUE(interp != nullptr) << error;

  const struct {
    const char* reply;
    int value;
  } accepted[] = {{"0", 0},
                  {"24", 24},
                  {"-3", -3},
                  {"007", 7},
                  {"2147483647", 2147483647},
                  {"-2147483648", -2147483647 - 1}};
  for (const auto& a : accepted) {
    EXPECT_EQ(interp->CallInt({"set", "::reply", a.reply}), a.value) << a.reply;
  }
  // A geometry reply, read as the glue reads it.
  interp->Call({"frame", ".f", "-width", 37, "-height", 5});
  EXPECT_EQ(interp->CallInt({".f", "cget", "-width"}), 37);

  const char* refused[] = {
      "",    "abc", "1.5",        "1,5",         " 3",
      "3 ",  "+3",  "0x10",       "1e3",         "12px",
      "--1", "٣",   "2147483648", "-2147483649", "99999999999999999999"};
  for (const char* reply : refused) {
    try {
      interp->CallInt({"set", "::reply", reply});
      ADD_FAILURE() << "accepted \"" << reply << "\"";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()),
                "expected an integer from \"set "
                "::reply " +
                    std::string(reply) + "\", got \"" + reply + "\"");
    }
  }
  // A failing command keeps Tcl's own message.
  try {
    interp->CallInt({"winfo", "height", ".nothing"});
    ADD_FAILURE() << "a failing command returned a number";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "bad window path name \".nothing\"");
  }
}

}  // namespace
}  // namespace zarvek::tk
