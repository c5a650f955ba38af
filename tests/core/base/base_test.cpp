// The settings file, whole-file reads and atomic writes, and the prompt.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "base/file_io.h"
#include "base/ini_file.h"
#include "base/prompt.h"
#include "base/write_step.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

Bytes Of(std::string_view text) { return Bytes(text.begin(), text.end()); }

TEST(IniFile, ReadsHandWrittenFilesAndKeepsTheirOtherLines) {
  IniFile ini;
  ini.Parse("; written by hand\r\n[Last Used Port]\r\nComm = 2\r\n\r\n[last window]\r\nXpos=-10\r\nWidth=abc\r\n");
  EXPECT_EQ(ini.GetInt("Last Used Port", "Comm", 0), 2);
  EXPECT_EQ(ini.GetInt("LAST WINDOW", "xpos", 0), -10);
  EXPECT_EQ(ini.GetInt("Last Window", "Width", 7), 7) << "a value that is no number reads as the default";
  EXPECT_EQ(ini.GetString("Missing", "Entry", "fallback"), "fallback");

  ini.Parse("; comment\n[Last Used Bps]\nComm=9600\n\n[Other]\nx=1\n");
  ini.SetInt("last used bps", "Comm", 115200);
  ini.SetInt("Last Used Bps", "Extra", 1);
  ini.Set("Last Window", "Xpos", "40");
  EXPECT_EQ(ini.Text(), "; comment\n[Last Used Bps]\nComm=115200\nExtra=1\n\n[Other]\nx=1\n\n[Last Window]\nXpos=40\n");
}

TEST(IniFile, ProfileFunctionsUseTheSettingsFile) {
  test::TempFolder folder;
  auto path = folder / "sub" / "Tessaly.ini";
  {
    test::ScopedEnv ini("TESSALY_INI", path.string());
    EXPECT_EQ(SettingsFilePath(), path);
    EXPECT_EQ(ReadProfileInt("Last Used Bps", "Comm", 9600), 9600);
    ASSERT_TRUE(WriteProfileInt("Last Used Bps", "Comm", 57600));
    ASSERT_TRUE(WriteProfileString("Last Used Dir", "Album", "/home/me/pictures/"));
    EXPECT_EQ(ReadProfileInt("Last Used Bps", "Comm", 9600), 57600);
    EXPECT_EQ(ReadProfileString("Last Used Dir", "Album", ""), "/home/me/pictures/");
  }
  test::ScopedEnv ini("TESSALY_INI", std::nullopt);
  test::ScopedEnv config("XDG_CONFIG_HOME", "/somewhere/config");
  EXPECT_EQ(SettingsFilePath(), std::filesystem::path("/somewhere/config/tessaly/Tessaly.ini"));
}

TEST(FileIo, AtomicWritesReplaceWholeFilesOrLeaveNothing) {
  test::TempFolder folder;
  auto path = folder / "picture.bmp";
  ASSERT_FALSE(WriteFileAtomically(path, Of("old contents")));
  ::chmod(path.c_str(), 0640);
  Bytes head = Of("new "), tail = Of("contents");
  ASSERT_FALSE(WriteFileAtomically(path, {head, tail}));
  Bytes read;
  ASSERT_FALSE(ReadWholeFile(path, read));
  EXPECT_EQ(read, Of("new contents"));
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);  // the mode is kept

  // A new file is never replaced.
  auto first = folder / "AUT_0001.JPG";
  ASSERT_FALSE(WriteNewFileAtomically(first, {Of("first")}));
  EXPECT_EQ(WriteNewFileAtomically(first, {Of("second")}), std::make_error_code(std::errc::file_exists));
  ASSERT_FALSE(ReadWholeFile(first, read));
  EXPECT_EQ(read, Of("first"));

  EXPECT_TRUE(WriteFileAtomically(folder / "missing-folder" / "x.jpg", Of("data")));
  EXPECT_EQ(ReadWholeFile(folder / "none", read), std::make_error_code(std::errc::no_such_file_or_directory));
  EXPECT_TRUE(ReadWholeFile(folder.Path(), read));
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2);
}

// Temporary files of ours that a killed write left are removed, others' never; a folder
// that takes no files says so before anything is written.
TEST(FileIo, StaleTemporariesAndFolderProbe) {
  test::TempFolder folder;
  const struct {
    const char* name;
    bool removed;
  } cases[] = {
      {".AUT_0001.JPG.a1B2c3", true},  {".AUT_0002.JPG.ZZZZZZ", true},
      {".notes.txt.a1B2c3", false},    // not one of our target names
      {".AUT_0003.JPG.a1B2c", false},  // not six characters
      {".AUT_0004.JPG.a1-2c3", false}, {"AUT_0005.JPG", false},
  };
  for (const auto& c : cases) ASSERT_FALSE(WriteFileAtomically(folder / c.name, Of("x")));
  std::filesystem::create_directory(folder / ".AUT_0006.JPG.a1B2c3");  // a folder is left alone
  int removed = RemoveStaleTemporaries(folder.Path(), [](std::string_view name) {
    return name.size() == 12 && name.substr(0, 4) == "AUT_" && name.substr(8) == ".JPG";
  });
  EXPECT_EQ(removed, 2);
  for (const auto& c : cases) EXPECT_NE(std::filesystem::exists(folder / c.name), c.removed) << c.name;
  EXPECT_TRUE(std::filesystem::is_directory(folder / ".AUT_0006.JPG.a1B2c3"));

  EXPECT_FALSE(ProbeFolderWritable(folder.Path()));
  EXPECT_TRUE(ProbeFolderWritable(folder / "missing"));
  // The probe leaves nothing.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 5);
}

TEST(FileIo, AShortcutIsFollowedToWhatItFinallyNames) {
  test::TempFolder folder;
  std::ofstream(folder / "picture.bmp") << "x";
  fs::create_symlink(folder / "picture.bmp", folder / "first");
  fs::create_symlink(folder / "first", folder / "second");
  fs::create_symlink(folder / "missing", folder / "dangling");
  std::error_code error;
  EXPECT_EQ(FollowShortcut(folder / "second", error), fs::canonical(folder / "picture.bmp"));
  EXPECT_FALSE(error);
  EXPECT_EQ(FollowShortcut(folder / "picture.bmp", error), folder / "picture.bmp");
  EXPECT_EQ(FollowShortcut(folder / "nothing", error), folder / "nothing") << "no link, the path itself";
  EXPECT_FALSE(error);
  EXPECT_EQ(FollowShortcut(folder / "dangling", error), std::nullopt);
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

TEST(FileIo, PrivateTempDirBelongsToTheUser) {
  auto dir = PrivateTempDir();
  ASSERT_FALSE(dir.empty());
  struct stat info {};
  ASSERT_EQ(::stat(dir.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_uid, ::getuid());
  EXPECT_EQ(info.st_mode & 077, 0u);
}

TEST(Prompt, ScriptedAnswersInOrderThenTheNegativeOneAndTheScopeRestores) {
  auto outer = std::make_unique<ScriptedPrompt>();
  ScriptedPrompt* outerPrompt = outer.get();
  ScopedPrompt outerScope(std::move(outer));
  {
    auto scripted = std::make_unique<ScriptedPrompt>();
    ScriptedPrompt* prompt = scripted.get();
    ScopedPrompt scope(std::move(scripted));
    prompt->Answer(PromptAnswer::kRetry);
    prompt->Answer(PromptAnswer::kYes);
    EXPECT_EQ(Prompt().Show(kMsgDiskFullInsert, PromptButtons::kRetryCancel), PromptAnswer::kRetry);
    EXPECT_EQ(Prompt().Show(kMsgFileExistsReplace, PromptButtons::kYesNo), PromptAnswer::kYes);
    EXPECT_EQ(Prompt().Show(kMsgFileExistsReplace, PromptButtons::kYesNo), PromptAnswer::kNo);
    EXPECT_EQ(Prompt().Show(kMsgDiskFullInsert, PromptButtons::kRetryCancel), PromptAnswer::kCancel);
    EXPECT_EQ(Prompt().Show("free text"), PromptAnswer::kOk);
    ASSERT_EQ(prompt->Log().size(), 5u);
    EXPECT_EQ(prompt->Log()[0].text, "Disk is full.\nInsert a new disk.");
  }
  Prompt().Show(kMsgNotValidFileType);
  EXPECT_EQ(outerPrompt->Texts(), std::vector<std::string>{"This is not a valid file type."});
}

// The step both savers share: a name that is taken is asked about, skipped or replaced,
// and the answer is kept for a second try of the same file.
TEST(WriteStep, ATakenNameIsAskedAboutOnceAndOtherFailuresPassThrough) {
  auto scripted = std::make_unique<ScriptedPrompt>();
  ScriptedPrompt* prompt = scripted.get();
  ScopedPrompt scope(std::move(scripted));
  std::vector<bool> tries;
  bool taken = true;
  std::error_code failure;
  auto write = [&](bool replace) -> std::error_code {
    tries.push_back(replace);
    if (taken && !replace) return std::make_error_code(std::errc::file_exists);
    return failure;
  };

  prompt->Answer(PromptAnswer::kYes);
  WriteStepResult result = WriteIntoPlace(write, ExistingTarget::kAsk);
  EXPECT_EQ(result.outcome, WriteOutcome::kWritten);
  EXPECT_TRUE(result.replaceAllowed);
  EXPECT_EQ(tries, (std::vector<bool>{false, true}));

  tries.clear();
  prompt->Answer(PromptAnswer::kNo);
  result = WriteIntoPlace(write, ExistingTarget::kAsk);
  EXPECT_EQ(result.outcome, WriteOutcome::kSkipped);
  EXPECT_FALSE(result.error);
  EXPECT_EQ(tries, (std::vector<bool>{false}));

  tries.clear();
  EXPECT_EQ(WriteIntoPlace(write, ExistingTarget::kSkip).outcome, WriteOutcome::kSkipped);
  EXPECT_EQ(WriteIntoPlace(write, ExistingTarget::kReplace).outcome, WriteOutcome::kWritten);
  EXPECT_EQ(tries, (std::vector<bool>{false, true}));
  EXPECT_EQ(prompt->Log().size(), 2u) << "only kAsk asks";

  failure = std::make_error_code(std::errc::no_space_on_device);
  taken = false;
  result = WriteIntoPlace(write, ExistingTarget::kAsk);
  EXPECT_EQ(result.outcome, WriteOutcome::kFailed);
  EXPECT_EQ(result.error, std::errc::no_space_on_device);
  EXPECT_FALSE(result.replaceAllowed);
  EXPECT_EQ(prompt->Log().size(), 2u);
}

TEST(Prompt, StreamPromptAnswersFromItsFlags) {
  StreamPrompt cautious;
  StreamPrompt bold({.yes = true, .retry = true});
  testing::internal::CaptureStderr();
  EXPECT_EQ(cautious.Show(kMsgFileExistsReplace, PromptButtons::kYesNo), PromptAnswer::kNo);
  EXPECT_EQ(bold.Show(kMsgFileExistsReplace, PromptButtons::kYesNo), PromptAnswer::kYes);
  EXPECT_EQ(bold.Show(kMsgDiskFullInsert, PromptButtons::kRetryCancel), PromptAnswer::kRetry);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("This file already exists.\nReplace existing file?\n"),
            std::string::npos);
}

TEST(Prompt, EachMessageHasTheIconOfItsKind) {
  const struct {
    std::string text;
    PromptButtons buttons;
    MessageKind kind;
  } cases[] = {
      {std::string(MessageText(kMsgFileExistsReplace)), PromptButtons::kYesNo, MessageKind::kQuestion},
      {std::string(MessageText(kMsgDiskFullInsert)), PromptButtons::kRetryCancel, MessageKind::kWarning},
      {std::string(MessageText(kMsgNotValidFileType)), PromptButtons::kOk, MessageKind::kWarning},
      {std::string(MessageText(kMsgFailedToCommunicate)), PromptButtons::kOk, MessageKind::kWarning},
      {MessageTextWith(kMsgFileNotFound, "/tmp/a.bmp"), PromptButtons::kOk, MessageKind::kWarning},
      {"lost.bmp" + std::string(MessageText(kMsgHardwareIoError)), PromptButtons::kOk, MessageKind::kWarning},
      {std::string(MessageText(kMsgNoDataInCamera)), PromptButtons::kOk, MessageKind::kInformation},
      {std::string(MessageText(kMsgTooFewColours)), PromptButtons::kOk, MessageKind::kInformation},
  };
  for (const auto& c : cases) EXPECT_EQ(KindOfMessage(c.text, c.buttons), c.kind) << c.text;
}

TEST(Prompt, MessagesNameTheInnermostSubject) {
  auto scripted = std::make_unique<ScriptedPrompt>();
  ScriptedPrompt* prompt = scripted.get();
  ScopedPrompt scope(std::move(scripted));
  Prompt().Show(kMsgNotEnoughMemory);
  {
    PromptSubject album("/pictures");
    {
      PromptSubject file("/pictures/bad.bmp");
      Prompt().Show(kMsgNotValidFileType);
    }
    Prompt().Show(kMsgNoDataInAlbum);
  }
  EXPECT_EQ(PromptSubject::Current(), "");
  ASSERT_EQ(prompt->Log().size(), 3u);
  EXPECT_EQ(prompt->Log()[0].subject, "");
  EXPECT_EQ(prompt->Log()[1].subject, "/pictures/bad.bmp");
  EXPECT_EQ(prompt->Log()[2].subject, "/pictures");
}

}  // namespace
}  // namespace tessaly
