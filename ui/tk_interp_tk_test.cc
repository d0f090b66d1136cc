// The Tcl binding and the rooms' shared glue under Xvfb: what the glue
// reads back from Tcl as numbers and colours, and what the binding does
// with an error it cannot pass on.
#include <cstddef>
#include <optional>
#include <string>

#include "gtest/gtest.h"
#include "ui/tk_interp.h"
#include "ui/ui_tk.h"

namespace zarvek::tk {
namespace {

std::unique_ptr<Interp> MakeInterp() {
  std::string error;
  std::unique_ptr<Interp> interp = Interp::Create("tk_interp_test", &error);
  EXPECT_TRUE(interp != nullptr) << error;
  return interp;
}

// Ui::Int takes only a plain decimal int; anything else, which the glue
// would otherwise read as 0, is an error that names the command and the
// reply.
TEST(TkInterpTest, IntReadsOnlyWholeDecimalNumbers) {
  std::unique_ptr<Interp> interp = MakeInterp();
  ASSERT_TRUE(interp != nullptr);
  Ui ui(*interp, WindowPalette(), "Helvetica", stdout);

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
    EXPECT_EQ(ui.Int({"set", "::reply", a.reply}), a.value) << a.reply;
  }
  // A geometry reply, read as the glue reads it.
  interp->Call({"frame", ".f", "-width", 37, "-height", 5});
  EXPECT_EQ(ui.Int({".f", "cget", "-width"}), 37);

  const char* refused[] = {
      "",    "abc", "1.5",        "1,5",         " 3",
      "3 ",  "+3",  "0x10",       "1e3",         "12px",
      "--1", "٣",   "2147483648", "-2147483649", "99999999999999999999"};
  for (const char* reply : refused) {
    try {
      ui.Int({"set", "::reply", reply});
      ADD_FAILURE() << "accepted \"" << reply << "\"";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()),
                "respuesta no numérica de Tk a \"set ::reply " +
                    std::string(reply) + "\": \"" + reply + "\"");
    }
  }
  // A failing command keeps Tcl's own message.
  try {
    ui.Int({"winfo", "height", ".nothing"});
    ADD_FAILURE() << "a failing command returned a number";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "bad window path name \".nothing\"");
  }
}

// A row index or a pointer height that a script passes to a room: only
// what our own bindings send is taken; anything else names no row.
TEST(TkInterpTest, RowsFromScriptsAreReadStrictly) {
  const struct {
    const char* text;
    std::size_t row;
  } indexes[] = {{"0", 0}, {"12", 12}, {"007", 7}};
  for (const auto& a : indexes) {
    EXPECT_EQ(RowIndexArg(a.text), std::optional<std::size_t>(a.row)) << a.text;
  }
  for (const char* text : {"", "-1", "+1", "1x", " 1", "1 ", "1.0", "x1",
                           "99999999999999999999999"}) {
    EXPECT_EQ(RowIndexArg(text), std::nullopt) << text;
  }

  const struct {
    const char* y;
    int pitch;
    std::size_t row;
  } heights[] = {{"0", 30, 0}, {"29", 30, 0}, {"30", 30, 1}, {"95", 30, 3}};
  for (const auto& a : heights) {
    EXPECT_EQ(RowAtHeight(a.y, a.pitch), std::optional<std::size_t>(a.row))
        << a.y;
  }
  for (const char* y : {"", "-5", "-1", "3.5", "12px", "+3"}) {
    EXPECT_EQ(RowAtHeight(y, 30), std::nullopt) << y;
  }
  EXPECT_EQ(RowAtHeight("10", 0), std::nullopt);
}

// A palette key nobody defined is a fault in the program, not a black
// widget.
TEST(TkInterpTest, AnUnknownColourKeyIsAnError) {
  std::unique_ptr<Interp> interp = MakeInterp();
  ASSERT_TRUE(interp != nullptr);
  Ui ui(*interp, WindowPalette(), "Helvetica", stdout);
  EXPECT_EQ(ui.color("error"), "#C0392B");
  EXPECT_EQ(ui.color("primary"), "#2C3E50");
  try {
    ui.color("erorr");
    ADD_FAILURE() << "an unknown key gave a colour";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "color de la paleta desconocido: \"erorr\"");
  }
}

// A callback whose error nobody can be handed says so on the console
// instead of losing it: here the restoring of input methods, when the
// state it restores cannot be set (the window is going).
TEST(TkInterpTest, InputMethodsOffReportsWhatItCannotRestore) {
  std::unique_ptr<Interp> interp = MakeInterp();
  ASSERT_TRUE(interp != nullptr);
  ::testing::internal::CaptureStderr();
  {
    InputMethodsOff off(*interp);
    interp->Call({"rename", "tk", "::tk_saved"});
    interp->Call({"proc", "tk", "args", "error {window going}"});
  }
  const std::string console = ::testing::internal::GetCapturedStderr();
  interp->Call({"rename", "tk", ""});
  interp->Call({"rename", "::tk_saved", "tk"});
  EXPECT_NE(console.find("window going"), std::string::npos) << console;
}

}  // namespace
}  // namespace zarvek::tk
