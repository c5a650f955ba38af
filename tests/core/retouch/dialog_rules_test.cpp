// The retouch dialogs' number fields, the Rotate dialog's angle and the Photo Properties
// texts.
#include "retouch/dialog_rules.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tessaly {
namespace {

TEST(DialogRules, IntegerFields) {
  struct Case {
    const char* text;
    int minimum, maximum;
    std::optional<int> value;
    std::string message;
  };
  const std::string range = "Please enter an integer between 0 and 255.";
  const Case cases[] = {
      {"128", 0, 255, 128, ""},
      {" 7 ", 0, 255, 7, ""},
      {"0", 0, 255, 0, ""},
      {"255", 0, 255, 255, ""},
      {"256", 0, 255, std::nullopt, range},
      {"99999999999999999999", 0, 255, std::nullopt, range},
      {"-1", 0, 255, std::nullopt, "Please enter an integer."},
      {"12a", 0, 255, std::nullopt, "Please enter an integer."},
      {"", 0, 255, std::nullopt, "Please enter an integer."},
      {"0", 1, 359, std::nullopt, "Please enter an integer between 1 and 359."},
      {"1280", 1, 1280, 1280, ""},
      {"1025", 1, 1024, std::nullopt, "Please enter an integer between 1 and 1024."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const IntegerField field = ReadIntegerField(c.text, c.minimum, c.maximum);
    EXPECT_EQ(field.value, c.value);
    if (!c.value) {
      EXPECT_EQ(field.English(), c.message);
    }
  }
}

TEST(DialogRules, RotateAngleAndPropertiesTexts) {
  EXPECT_EQ(RotateDialogAngle(30, false), 30);
  EXPECT_EQ(RotateDialogAngle(30, true), 330);

  struct Case {
    const char* title;
    std::string_view type;
  };
  const Case cases[] = {{"a.bmp", "BMP TYPE"},
                        {"A.DIB", "BMP TYPE"},
                        {"x.Tif", "TIFF TYPE"},
                        {"p.JPG", "JPEG TYPE"},
                        {"p.jpeg", ""},
                        {"tif", ""},
                        {"", ""}};
  for (const Case& c : cases) EXPECT_EQ(DataTypeText(c.title), c.type) << c.title;

  EXPECT_EQ(CharacterCount("abc"), 3);
  EXPECT_EQ(CharacterCount("\xE5\x86\x99\xE7\x9C\x9F"), 2);  // two Japanese characters

  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(CreationDateText(864345600), "1997/5/23 ");  // 1997-05-23 00:00 UTC
}

}  // namespace
}  // namespace tessaly
