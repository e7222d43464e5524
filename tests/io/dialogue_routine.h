// A small routine for the front-end tests: the three questions of the
// conversion dialogue, an echo of the answers, and the end of the program.
#pragma once
#include "runtime/frame/frame.h"
#include "runtime/frame/statement_hook.h"
#include "runtime/io/console_output.h"
#include "runtime/io/console_prompt.h"
#include "runtime/io/read_items.h"
#include "runtime/io/write_text.h"
#include "runtime/text/string_stack.h"

namespace tolvex::testing {

inline const core::ProgramRecord kDialogueProgram{"Dialogue"};

inline void DialogueRoutine() {
  static text::StringValue name, done;
  static int16_t unit;
  name = done = text::StringValue{};  // a run before released their bytes
  core::RegisterCurrentModule(&kDialogueProgram);
  int16_t statement = 0;
  auto next = [&statement] {
    frame::StatementHook();
    core::SetStatementNumber(++statement);
  };
  auto ask = [&next](const char* prompt, io::InputItem item) {
    next();
    text::PushConstText(text::ConstText(prompt));
    io::ConsolePrompt(0, 2);
    next();
    io::ReadItems(io::ItemList{1, &item});
  };
  ask("File Name xxxxxx.XML", {&name, io::kItemString});
  ask("unit", {&unit, io::kItemInt16});
  next();
  io::SelectConsole(0);
  text::PushConstText(text::ConstText("["));
  text::PushVarText(&name);
  text::ConcatText();
  std::string rest = "/" + std::to_string(unit) + "]";
  text::NewTempText(static_cast<uint32_t>(rest.size()),
                    reinterpret_cast<const uint8_t*>(rest.data()));
  text::ConcatText();
  io::WriteText(0);
  ask("done", {&done, io::kItemString});
  next();
  frame::EndProgram(0);
}

}  // namespace tolvex::testing
