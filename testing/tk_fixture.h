// The base of the window tests under Xvfb: a fresh Tcl interpreter with Tk
// for each test, the stock dialogs replaced by recording procs with scripted
// answers, and a file that stands for the console. Widgets are driven with
// `invoke` and `event generate`; nothing waits on time. It builds nothing:
// testing/gui_fixture.h builds the whole main window on it,
// testing/room_fixture.h one room alone.
#ifndef ZARVEK_TESTING_TK_FIXTURE_H_
#define ZARVEK_TESTING_TK_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ui/tk_interp.h"

namespace zarvek::testing {

class TkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    interp_ = tk::Interp::Create("zarvek_gui_tests", &error);
    ASSERT_TRUE(interp_ != nullptr) << error;
    // tk_messageBox records its options; a box with -type (a question)
    // pops the next scripted answer, and every other box, or a question
    // with no answer queued, answers "ok";
    // tk_chooseDirectory records its options and pops the next scripted
    // answer ("" = cancelled).
    Call({"set", "::zarvek_test_messages", ""});
    Call({"set", "::zarvek_test_choosers", ""});
    Call({"set", "::zarvek_test_dir_answers", ""});
    Call({"set", "::zarvek_test_answers", ""});
    Call({"proc", "tk_messageBox", "args",
          "lappend ::zarvek_test_messages $args\n"
          "if {![dict exists $args -type] || $::zarvek_test_answers eq {}} {\n"
          "  return ok\n"
          "}\n"
          "set r [lindex $::zarvek_test_answers 0]\n"
          "set ::zarvek_test_answers [lrange $::zarvek_test_answers 1 end]\n"
          "return $r"});
    Call({"proc", "tk_chooseDirectory", "args",
          "lappend ::zarvek_test_choosers $args\n"
          "set r [lindex $::zarvek_test_dir_answers 0]\n"
          "set ::zarvek_test_dir_answers "
          "[lrange $::zarvek_test_dir_answers 1 end]\n"
          "return $r"});
    console_ = std::tmpfile();
  }

  void TearDown() override {
    interp_.reset();
    if (console_ != nullptr) std::fclose(console_);
  }

  std::string Call(std::initializer_list<tk::Word> words) {
    return interp_->Call(words);
  }
  std::vector<std::string> List(const std::string& text) {
    return interp_->SplitList(text);
  }

  /// The option lists passed to tk_messageBox, oldest first.
  std::vector<std::vector<std::string>> Messages() {
    std::vector<std::vector<std::string>> out;
    for (const std::string& call :
         List(Call({"set", "::zarvek_test_messages"}))) {
      out.push_back(List(call));
    }
    return out;
  }
  /// The value of option `name` (such as "-title") in one message call.
  static std::string Option(const std::vector<std::string>& call,
                            const std::string& name) {
    for (size_t i = 0; i + 1 < call.size(); i += 2) {
      if (call[i] == name) return call[i + 1];
    }
    return "<none>";
  }
  void ClearMessages() { Call({"set", "::zarvek_test_messages", ""}); }

  /// Queues the answer ("yes", "no") of the next question box.
  void AnswerQuestion(const std::string& answer) {
    Call({"lappend", "::zarvek_test_answers", answer});
  }

  /// Queues the answer of the next directory chooser ("" cancels).
  void AnswerDirectory(const std::string& path) {
    Call({"lappend", "::zarvek_test_dir_answers", path});
  }
  int ChooserCalls() {
    return static_cast<int>(
        List(Call({"set", "::zarvek_test_choosers"})).size());
  }

  /// Everything the application printed on its console.
  std::string Console() {
    std::fflush(console_);
    std::rewind(console_);
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, console_)) > 0) {
      out.append(buffer, n);
    }
    return out;
  }

  std::unique_ptr<tk::Interp> interp_;
  std::FILE* console_ = nullptr;
};

}  // namespace zarvek::testing

#endif  // ZARVEK_TESTING_TK_FIXTURE_H_
