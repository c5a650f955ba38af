// The retouch document's embedded item: its native data and packed bitmap byte for byte,
// its size, its drawing, Copy and Paste through the X clipboard, and the embedded loading.
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/process.h>
#include <wx/utils.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "retouch/clipboard_data.h"
#include "retouch_window/dsc_srvr_item.h"
#include "retouch_window/retouch_clipboard.h"
#include "retouch_window/retouch_embedding.h"
#include "retouch_window_support.h"
#include "test_support/temp_folder.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;
using retouch::CDscSrvrItem;
using retouch::CRetouchDoc;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

void PutU32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// The rows of the w x h area at (left, top) of a picture as the layouts want them, built
// pixel by pixel: bottom row first, blue-green-red, each row padded with zeros to 4 bytes.
Bytes ExpectedRows(const Picture& picture, int left, int top, int w, int h) {
  Bytes rows;
  for (int y = top + h - 1; y >= top; --y) {
    for (int x = left; x < left + w; ++x) {
      const Bgr c = At(picture, x, y);
      rows.insert(rows.end(),
                  {static_cast<std::uint8_t>(c.b), static_cast<std::uint8_t>(c.g), static_cast<std::uint8_t>(c.r)});
    }
    while ((rows.size() % 4) != 0) rows.push_back(0);
  }
  return rows;
}

Bytes ExpectedNative(std::uint32_t w, std::uint32_t h, std::uint32_t first, std::uint32_t second, const Bytes& rows) {
  Bytes out;
  for (std::uint32_t v : {w, h, static_cast<std::uint32_t>(rows.size()), first, second}) PutU32(out, v);
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}

Bytes ExpectedDib(std::uint32_t w, std::uint32_t h, const Bytes& rows) {
  Bytes out;
  for (std::uint32_t v : {40u, w, h}) PutU32(out, v);
  out.insert(out.end(), {1, 0, 24, 0});  // planes, bits per pixel
  PutU32(out, 0);                        // no compression
  PutU32(out, static_cast<std::uint32_t>(rows.size()));
  for (int i = 0; i < 4; ++i) PutU32(out, 0);
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Runs a program to its end while the window goes on serving the clipboard.
int RunAlongside(const wxString& command, int timeoutMs = 15000) {
  struct Outcome {
    int code = -1;
    bool ended = false;
  };
  auto outcome = std::make_shared<Outcome>();
  auto* process = new wxProcess;
  process->Bind(wxEVT_END_PROCESS, [outcome](wxProcessEvent& e) {
    outcome->code = e.GetExitCode();
    outcome->ended = true;
    // Left unhandled, so that the process object deletes itself.
    e.Skip();
  });
  if (wxExecute(command, wxEXEC_ASYNC, process) <= 0) {
    delete process;
    return -1;
  }
  PumpUntil([&] { return outcome->ended; }, timeoutMs);
  return outcome->code;
}

// What the item draws into a memory bitmap filled with a marker colour first.
wxImage DrawnBy(CDscSrvrItem& item, int w, int h, bool& drawn, wxSize& size) {
  wxBitmap bitmap(w, h, 24);
  {
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(wxColour(1, 2, 3)));
    dc.Clear();
    size = wxSize();
    drawn = item.OnDraw(dc, size);
  }
  return bitmap.ConvertToImage();
}

// The pixels of an image against the w x h area at (left, top) of a picture.
int Mismatches(const wxImage& image, const Picture& picture, int left, int top, int w, int h) {
  int wrong = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (Pixel(image, x, y) != At(picture, left + x, top + y)) ++wrong;
  return wrong;
}

class ServerItemTest : public RetouchWindowTest {
 protected:
  // A selection made with the mouse, as the user makes it (zoom 100 %).
  static void Select(CRetouchDoc* doc, wxPoint from, wxPoint to) {
    View(doc)->LeftDown(from, false);
    View(doc)->Motion(to, true);
    View(doc)->LeftUp(to);
  }
  TempFolder m_folder;
};

TEST_F(ServerItemTest, NativeDataAndBitmapOfASelectionAreByteExact) {
  const Picture picture = Numbered(30, 20);
  CRetouchDoc* doc = Open(picture);
  CDscSrvrItem& item = doc->GetEmbeddedItem();
  EXPECT_EQ(&item, doc->OnGetEmbeddedItem()) << "one item per document";
  // 5 x 3 pixels at (3, 2): 15 bytes a row, padded to 16.
  doc->Select({3, 2, 8, 5});
  doc->SetCopySelection(true);
  const Bytes rows = ExpectedRows(picture, 3, 2, 5, 3);
  ASSERT_EQ(rows.size(), 48u);
  EXPECT_EQ(item.Serialize(), ExpectedNative(5, 3, 0, 0, rows));
  EXPECT_EQ(item.RenderDib(), ExpectedDib(5, 3, rows));
  // With the flag lowered the item is the whole picture.
  doc->SetCopySelection(false);
  const Bytes whole = ExpectedRows(picture, 0, 0, 30, 20);
  EXPECT_EQ(item.Serialize(), ExpectedNative(30, 20, 0, 0, whole));
  EXPECT_EQ(item.RenderDib(), ExpectedDib(30, 20, whole));
}

TEST_F(ServerItemTest, ADocumentWithoutPixelsHandsOutWhiteOfThePicturesSize) {
  CRetouchDoc* doc = retouch::NewEmbeddedDocument(s_manager->RetouchTemplate());
  ASSERT_NE(doc, nullptr);
  EXPECT_TRUE(doc->IsEmbedded());
  EXPECT_TRUE(m_prompt.Texts().empty()) << "no size is asked";
  ASSERT_EQ(doc->GetPicture().width, 200);
  ASSERT_EQ(doc->GetPicture().height, 200);
  EXPECT_FALSE(doc->State().HasPixels());
  doc->Select({10, 10, 21, 20});
  doc->SetCopySelection(true);
  const Bytes white(600 * 200, 255);
  EXPECT_EQ(doc->GetEmbeddedItem().Serialize(), ExpectedNative(200, 200, 0, 0, white));
  EXPECT_EQ(doc->GetEmbeddedItem().RenderDib(), ExpectedDib(200, 200, white));
  // And it draws nothing, successfully.
  bool drawn = false;
  wxSize size;
  const wxImage image = DrawnBy(doc->GetEmbeddedItem(), 20, 20, drawn, size);
  EXPECT_TRUE(drawn);
  EXPECT_EQ(Pixel(image, 10, 10), (Bgr{3, 2, 1}));
}

TEST_F(ServerItemTest, ExtentIsTheSelectionInHimetricUnits) {
  CRetouchDoc* doc = Open(Numbered(300, 200));
  doc->Select({10, 20, 110, 70});
  CDscSrvrItem& item = doc->GetEmbeddedItem();
  wxSize size;
  ASSERT_TRUE(item.OnGetExtent(CDscSrvrItem::Aspect::kContent, size));
  const wxSize ppi = wxScreenDC().GetPPI();
  ASSERT_GT(ppi.x, 0);
  // 100 x 50 pixels, 2540 HIMETRIC units to the inch, rounded.
  EXPECT_EQ(size, wxSize((100 * 2540 + ppi.x / 2) / ppi.x, (50 * 2540 + ppi.y / 2) / ppi.y));
  if (ppi == wxSize(96, 96)) {
    EXPECT_EQ(size, wxSize(2646, 1323));
  }
  EXPECT_EQ(item.DrawState().extentWidth, 100);
  EXPECT_EQ(item.DrawState().extentHeight, 50);
  EXPECT_FALSE(item.OnGetExtent(CDscSrvrItem::Aspect::kIcon, size));
}

TEST_F(ServerItemTest, DrawingGivesThePicturesPixelsAndTheFirstDrawingTheSelection) {
  const Picture picture = Noise24(61, 37, 5);
  CRetouchDoc* doc = Open(picture);
  CDscSrvrItem& item = doc->GetEmbeddedItem();
  doc->Select({7, 4, 40, 30});
  doc->SetCopySelection(true);
  ASSERT_TRUE(item.CopyToClipboard());
  EXPECT_EQ(item.DrawState().firstDraw, 1);

  bool drawn = false;
  wxSize size;
  wxImage image = DrawnBy(item, 61, 37, drawn, size);
  ASSERT_TRUE(drawn);
  EXPECT_EQ(size, wxSize(33, 26)) << "the first drawing is the selection";
  EXPECT_EQ(item.DrawState().firstDraw, 0);
  EXPECT_EQ(Mismatches(image, picture, 7, 4, 33, 26), 0);
  EXPECT_EQ(Pixel(image, 40, 30), (Bgr{3, 2, 1})) << "nothing beyond the selection's size";
  EXPECT_EQ(item.DrawState().renderResult1, 1);

  // The next drawing takes the whole picture's size from the selection's corner.
  image = DrawnBy(item, 61, 37, drawn, size);
  ASSERT_TRUE(drawn);
  EXPECT_EQ(size, wxSize(61, 37));
  EXPECT_EQ(item.DrawState().sourceX, 7);
  EXPECT_EQ(item.DrawState().sourceY, 4);
  EXPECT_EQ(Mismatches(image, picture, 7, 4, 54, 33), 0);

  // Not handed out, the item is the whole picture.
  doc->SetCopySelection(false);
  image = DrawnBy(item, 61, 37, drawn, size);
  ASSERT_TRUE(drawn);
  EXPECT_EQ(size, wxSize(61, 37));
  EXPECT_EQ(Mismatches(image, picture, 0, 0, 61, 37), 0);
}

TEST_F(ServerItemTest, DrawingFillsTheRectangleAskedFor) {
  CRetouchDoc* doc = Open(Filled(20, 10, {10, 200, 30}));
  wxBitmap bitmap(80, 40, 24);
  wxSize size(40, 20);
  {
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(wxColour(1, 2, 3)));
    dc.Clear();
    ASSERT_TRUE(doc->GetEmbeddedItem().OnDraw(dc, size));
  }
  const wxImage image = bitmap.ConvertToImage();
  EXPECT_EQ(size, wxSize(20, 10)) << "the size drawn, in picture pixels";
  EXPECT_EQ(Pixel(image, 20, 10), (Bgr{10, 200, 30}));
  EXPECT_EQ(Pixel(image, 60, 30), (Bgr{3, 2, 1})) << "the picture fills 40 x 20 and no more";
}

TEST_F(ServerItemTest, CopyThenPasteInAnotherDocumentRoundTripsThePixels) {
  const Picture picture = Noise24(90, 70, 9);
  CRetouchDoc* from = Open(picture, "from.bmp");
  Select(from, {11, 13}, {48, 40});  // 37 x 27: rows of 111 bytes padded to 112
  ASSERT_EQ(from->State().Selection(), (PictureRect{11, 13, 48, 40}));
  Command(from, wxID_COPY);
  EXPECT_FALSE(from->CopySelection()) << "the flag is lowered after the copy";
  const Bytes rows = ExpectedRows(picture, 11, 13, 37, 27);

  // Another program that takes the native data or only image/bmp gets the layouts' bytes.
  const fs::path native = m_folder / "item.native";
  ASSERT_EQ(RunAlongside(wxString::Format("%s get application/x-tessaly-retouch-item %s", TESSALY_CLIPBOARD_PEER,
                                          native.string())),
            0);
  EXPECT_EQ(ReadFile(native), ExpectedNative(37, 27, 0, 0, rows));
  const fs::path bmp = m_folder / "item.bmp";
  ASSERT_EQ(RunAlongside(wxString::Format("%s get image/bmp %s", TESSALY_CLIPBOARD_PEER, bmp.string())), 0);
  const Bytes file = ReadFile(bmp);
  ASSERT_GT(file.size(), 14u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(Bytes(file.begin() + 14, file.end()), ExpectedDib(37, 27, rows));

  // Paste in another document: the floating picture is the selection, pixel for pixel.
  CRetouchDoc* to = Open(Make24(100, 80, 0), "to.bmp");
  Command(to, wxID_PASTE);
  ASSERT_TRUE(to->State().HasFloating());
  EXPECT_TRUE(SamePicture(to->State().Floating(), ExtractArea(picture, {11, 13, 48, 40})));
  EXPECT_TRUE(m_prompt.Texts().empty());
}

TEST_F(ServerItemTest, NativeDataFromAnotherProgramPastes) {
  // Another program (or another Tessaly) offers only the native data.
  const Picture clip = Noise24(21, 9, 3);
  const fs::path native = m_folder / "offer.native";
  WriteFile(native, MakeNativeData(clip, 1, 2));
  ASSERT_TRUE(OfferFromAnotherProgram("application/x-tessaly-retouch-item", native));
  CRetouchDoc* doc = Open(Make24(50, 40, 0));
  Command(doc, wxID_PASTE);
  ASSERT_TRUE(doc->State().HasFloating());
  EXPECT_TRUE(SamePicture(doc->State().Floating(), clip));
}

TEST_F(ServerItemTest, EmbeddedLoadingReadsNativeData) {
  const Picture picture = Noise24(13, 6, 4);  // 39 bytes a row, padded to 40
  const Bytes good = ExpectedNative(13, 6, 7, 9, ExpectedRows(picture, 0, 0, 13, 6));
  struct Case {
    const char* what;
    Bytes bytes;
    Texts messages;
  };
  Bytes truncated(good.begin(), good.end() - 1);
  Bytes mismatch = good;
  mismatch[8] = 239;  // N = 239 instead of 240
  Bytes tooLarge = good;
  tooLarge[0] = 0x01;
  tooLarge[1] = 0x05;  // 1281 pixels wide
  const Case cases[] = {
      {"truncated", truncated, {"This is not a valid file type."}},
      {"N does not match the size", mismatch, {"This is not a valid file type."}},
      {"too large", tooLarge, {"The picture size is too large."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m_prompt->Clear();
    const fs::path path = m_folder / "bad.native";
    WriteFile(path, c.bytes);
    const std::size_t before = s_manager->GetDocumentsVector().size();
    EXPECT_EQ(retouch::OpenEmbeddedDocument(s_manager->RetouchTemplate(), wxString::FromUTF8(path.string())), nullptr);
    Forget();
    EXPECT_EQ(m_prompt.Texts(), c.messages);
    EXPECT_EQ(s_manager->GetDocumentsVector().size(), before) << "no document is left behind";
  }
  m_prompt->Clear();
  EXPECT_EQ(retouch::OpenEmbeddedDocument(s_manager->RetouchTemplate(),
                                          wxString::FromUTF8((m_folder / "missing.native").string())),
            nullptr);
  EXPECT_EQ(m_prompt.Texts(), Texts{"Failed to read file."});

  m_prompt->Clear();
  const fs::path path = m_folder / "good.native";
  WriteFile(path, good);
  CRetouchDoc* doc = retouch::OpenEmbeddedDocument(s_manager->RetouchTemplate(), wxString::FromUTF8(path.string()));
  ASSERT_NE(doc, nullptr);
  Settle();
  EXPECT_TRUE(m_prompt.Texts().empty());
  EXPECT_TRUE(doc->IsEmbedded());
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(At(doc->GetPicture(), x, y), At(picture, x, y));
  EXPECT_EQ(doc->State().Selection(), (PictureRect{0, 0, 13, 6}));
  EXPECT_EQ(doc->GetTitle(), "good.native");
  EXPECT_FALSE(doc->IsModified());
  // The document values come back out as they went in: the item writes the same bytes.
  EXPECT_EQ(doc->GetEmbeddedItem().Serialize(), good);
  // An edit sets them to 0.
  Command(doc, "ID_ROTATE_180");
  const Bytes edited = doc->GetEmbeddedItem().Serialize();
  ASSERT_EQ(edited.size(), good.size());
  EXPECT_EQ(Bytes(edited.begin() + 12, edited.begin() + 20), Bytes(8, 0));
  EXPECT_EQ(Bytes(edited.begin(), edited.begin() + 12), Bytes(good.begin(), good.begin() + 12));
}

}  // namespace
}  // namespace tessaly::test
