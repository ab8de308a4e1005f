#include <gtest/gtest.h>

#include "ui/user_prompt.h"

namespace {

TEST(ScriptedPrompt, AnswersInOrderRecordsAndCountsShortfalls) {
  ui::ScriptedPrompt script;
  script.AnswerBox(IDYES);
  script.AnswerAsk(true);
  ui::ScopedPrompt scope(script);

  EXPECT_EQ(ui::Prompt().Box(L"Перезаписать?", L"Korvel", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_TRUE(ui::Prompt().Ask({L"Setup", L"Продолжить?", RGB(255, 0, 0), true}));
  EXPECT_EQ(ui::Prompt().Box(L"again", L"Korvel", MB_YESNO), IDCANCEL);
  EXPECT_FALSE(ui::Prompt().Ask({L"c", L"t"}));
  EXPECT_EQ(script.Unanswered(), 2);

  ASSERT_EQ(script.Asked().size(), 4u);
  const auto& box = script.Asked()[0];
  EXPECT_EQ(box.kind, ui::ScriptedPrompt::Record::Kind::Box);
  EXPECT_EQ(box.text, L"Перезаписать?");
  EXPECT_EQ(box.caption, L"Korvel");
  EXPECT_EQ(box.flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  const auto& ask = script.Asked()[1];
  EXPECT_EQ(ask.kind, ui::ScriptedPrompt::Record::Kind::Ask);
  EXPECT_EQ(ask.color, RGB(255, 0, 0));
  EXPECT_TRUE(ask.bold);
}

TEST(ScriptedPrompt, ScopeRestoresThePreviousPrompt) {
  ui::ScriptedPrompt outer, inner;
  ui::ScopedPrompt a(outer);
  {
    ui::ScopedPrompt b(inner);
    EXPECT_EQ(&ui::Prompt(), &inner);
  }
  EXPECT_EQ(&ui::Prompt(), &outer);
}

}  // namespace
