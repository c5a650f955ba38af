#include "base/prompt.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(Prompt, ScriptedPromptRecordsAndAnswersInOrder) {
  auto scripted = std::make_unique<ScriptedPrompt>();
  ScriptedPrompt* prompt = scripted.get();
  ScopedPrompt scope(std::move(scripted));
  prompt->Answer(PromptAnswer::kRetry);
  prompt->Answer(PromptAnswer::kYes);
  EXPECT_EQ(Prompt().Show(kMsgDiskFullInsert, PromptButtons::kRetryCancel), PromptAnswer::kRetry);
  EXPECT_EQ(Prompt().Show(kMsgFileExistsReplace, PromptButtons::kYesNo), PromptAnswer::kYes);
  // With the script used up, questions get their negative answer.
  EXPECT_EQ(Prompt().Show(kMsgFileExistsReplace, PromptButtons::kYesNo), PromptAnswer::kNo);
  EXPECT_EQ(Prompt().Show(kMsgDiskFullInsert, PromptButtons::kRetryCancel), PromptAnswer::kCancel);
  EXPECT_EQ(Prompt().Show("free text"), PromptAnswer::kOk);
  ASSERT_EQ(prompt->Log().size(), 5u);
  EXPECT_EQ(prompt->Log()[0].text, "Disk is full.\nInsert a new disk.");
  EXPECT_EQ(prompt->Log()[4].text, "free text");
}

TEST(Prompt, ScopeRestoresThePreviousPrompt) {
  auto outer = std::make_unique<ScriptedPrompt>();
  ScriptedPrompt* outerPrompt = outer.get();
  ScopedPrompt outerScope(std::move(outer));
  {
    auto inner = std::make_unique<ScriptedPrompt>();
    ScopedPrompt innerScope(std::move(inner));
    Prompt().Show(kMsgNotEnoughMemory);
  }
  Prompt().Show(kMsgNotValidFileType);
  ASSERT_EQ(outerPrompt->Texts(), std::vector<std::string>{"This is not a valid file type."});
}

TEST(Prompt, StreamPromptAnswersFromItsFlags) {
  StreamPrompt cautious;
  StreamPrompt bold({.yes = true, .retry = true});
  testing::internal::CaptureStderr();
  EXPECT_EQ(cautious.Show(kMsgFileExistsReplace, PromptButtons::kYesNo), PromptAnswer::kNo);
  EXPECT_EQ(bold.Show(kMsgFileExistsReplace, PromptButtons::kYesNo), PromptAnswer::kYes);
  EXPECT_EQ(bold.Show(kMsgDiskFullInsert, PromptButtons::kRetryCancel), PromptAnswer::kRetry);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("This file already exists.\nReplace existing file?\n"), std::string::npos);
}

}  // namespace
}  // namespace tessaly
