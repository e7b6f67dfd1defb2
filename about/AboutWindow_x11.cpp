// The About window on X11, built with FLTK: a fixed 400 x 300 window in the
// middle of the screen, light green throughout, with the title, the clock
// picture, the notice and a button that hands the web site to xdg-open.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "about/AboutText.h"
#include "about/AboutWindow.h"
#include "render/Bitmap.h"
#include "render/Resources.h"
#include "shell/MessageBox.h"

extern char** environ;

namespace {

constexpr int kWindowWidth = 400;
constexpr int kWindowHeight = 300;

constexpr unsigned char kBackgroundRgb[3] = {177, 232, 179};
constexpr unsigned char kTitleRgb[3] = {0, 0, 0};
constexpr unsigned char kInfoRgb[3] = {0, 51, 255};

constexpr int kBodyFontSize = 16;
constexpr int kTitleFontSize = 18;
constexpr int kUnderlineThickness = 2;

// Two font slots of our own, asked of fontconfig by the name "Arial" (it
// answers with Arial or its nearest metric twin). FLTK's Xft names start
// with ' ' for the regular face and 'B' for the bold one.
constexpr Fl_Font kBodyFont = FL_FREE_FONT;
constexpr Fl_Font kTitleFont = FL_FREE_FONT + 1;

Fl_Color Rgb(const unsigned char (&rgb)[3]) { return fl_rgb_color(rgb[0], rgb[1], rgb[2]); }

// A static text on the background colour, drawn left and top aligned.
// Unlike a plain Fl_Box label it takes '@' literally (FLTK would read it as
// a symbol name) and can underline a one-line text.
class StaticText : public Fl_Box {
 public:
  StaticText(int x, int y, int w, int h, const char* text, Fl_Font font, int size,
             Fl_Color colour, bool underline)
      : Fl_Box(FL_FLAT_BOX, x, y, w, h, text), underline_(underline) {
    labelfont(font);
    labelsize(size);
    labelcolor(colour);
    color(Rgb(kBackgroundRgb));
  }

 protected:
  void draw() override {
    draw_box();
    if (label() == nullptr) return;
    fl_push_clip(x(), y(), w(), h());
    fl_font(labelfont(), labelsize());
    fl_color(labelcolor());
    // Line by line, one pixel more than the font size apart: closer than
    // FLTK's own spacing, which would crowd the notice onto the button.
    const int ascent = fl_height() - fl_descent();
    int baseline = y() + ascent;
    for (const char* line = label(); line != nullptr; baseline += labelsize() + 1) {
      const char* end = std::strchr(line, '\n');
      const int length = end ? static_cast<int>(end - line) : static_cast<int>(std::strlen(line));
      fl_draw(line, length, x(), baseline);
      line = end ? end + 1 : nullptr;
    }
    if (underline_) {
      // Just below the baseline, as long as the text.
      const int underlineY = y() + ascent + 1;
      const int length = static_cast<int>(fl_width(label()) + 0.5);
      fl_rectf(x(), underlineY, length, kUnderlineThickness);
    }
    fl_pop_clip();
  }

 private:
  bool underline_;
};

// Bitmap resource 182 as an RGB picture, top row first; nothing when the
// resource is missing or not a picture we can read.
std::unique_ptr<Fl_RGB_Image> LoadClockPicture() {
  const auto view = FindEmbeddedResource(kBitmapResource, kAboutBitmap);
  DibImage dib;
  if (!view || !ParseDib(view->data, view->size, &dib)) return nullptr;
  const std::size_t width = static_cast<std::size_t>(dib.width);
  auto* pixels = new uchar[width * static_cast<std::size_t>(dib.height) * 3];
  uchar* out = pixels;
  for (int row = 0; row < dib.height; ++row) {
    for (int x = 0; x < dib.width; ++x, out += 3) {
      const unsigned char* bgr = dib.Pixel(x, dib.height - 1 - row);
      out[0] = bgr[2];
      out[1] = bgr[1];
      out[2] = bgr[0];
    }
  }
  auto image = std::make_unique<Fl_RGB_Image>(pixels, dib.width, dib.height, 3);
  image->alloc_array = 1;  // the image frees the pixels
  return image;
}

// xdg-open runs on its own; its exit is collected from the event loop so
// that it neither lingers as a zombie nor holds up the window.
std::vector<pid_t>& PendingChildren() {
  static std::vector<pid_t> children;
  return children;
}

constexpr double kReapInterval = 0.25;

void ReapChildren() {
  auto& children = PendingChildren();
  for (std::size_t i = 0; i < children.size();) {
    int status = 0;
    if (waitpid(children[i], &status, WNOHANG) == 0) {
      ++i;  // still running
    } else {
      children[i] = children.back();  // ended, or not ours any more
      children.pop_back();
    }
  }
}

void ReapTimer(void*) {
  ReapChildren();
  if (!PendingChildren().empty()) Fl::repeat_timeout(kReapInterval, ReapTimer);
}

// "Visit website": the site in the default browser. The address is one
// argument of xdg-open, no shell in between. A failure is not reported.
void OpenWebsite(Fl_Widget*, void*) {
  char program[] = "xdg-open";
  char url[sizeof about_text::kWebsiteUrl];
  for (std::size_t i = 0; i < sizeof url; ++i) url[i] = about_text::kWebsiteUrl[i];
  char* argv[] = {program, url, nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, program, nullptr, nullptr, argv, environ) != 0) return;
  const bool timerRunning = !PendingChildren().empty();
  PendingChildren().push_back(child);
  if (!timerRunning) Fl::add_timeout(kReapInterval, ReapTimer);
}

}  // namespace

AboutWindow::AboutWindow(void* instance, int showCommand) {
  // The module handle and the show command mean something on Win32 only;
  // on X11 the window is simply mapped.
  (void)instance;
  (void)showCommand;

  // FLTK ends the process when it cannot reach the display; ask first, so
  // that a missing display is reported like any failed window creation.
  if (fl_display == nullptr) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
      ShowMessageBox("Window Creation Failed!", "Error!", MessageIcon::Warning);
      return;
    }
    fl_open_display(display);
  }

  Fl::scheme("gtk+");
  Fl::set_font(kBodyFont, " Arial");
  Fl::set_font(kTitleFont, "BArial");

  // Centred on the primary screen, truncated toward zero:
  // 1920 x 1080 puts the corner at (760, 390).
  int screenX = 0, screenY = 0, screenW = 0, screenH = 0;
  Fl::screen_xywh(screenX, screenY, screenW, screenH, 0);
  const int left = screenX + static_cast<int>((screenW - kWindowWidth) * 0.5);
  const int top = screenY + static_cast<int>((screenH - kWindowHeight) * 0.5);

  const std::unique_ptr<Fl_RGB_Image> picture = LoadClockPicture();

  // FLTK sizes the client area; there is no frame to allow for without a
  // window manager, and with one the frame comes on top of the 400 x 300.
  Fl_Double_Window window(left, top, kWindowWidth, kWindowHeight, about_text::kCaption);
  window.xclass(about_text::kWindowClassName);
  window.box(FL_FLAT_BOX);
  window.color(Rgb(kBackgroundRgb));

  // Children belong to the window, which deletes them.
  new StaticText(108, 20, 280, 20, about_text::kTitle, kTitleFont, kTitleFontSize, Rgb(kTitleRgb),
                 true);
  if (picture) {
    auto* pictureBox = new Fl_Box(FL_NO_BOX, 142, 55, picture->w(), picture->h(), nullptr);
    pictureBox->image(picture.get());
  }
  new StaticText(20, 150, 380, 80, about_text::kInfoText, kBodyFont, kBodyFontSize,
                 Rgb(kInfoRgb), false);
  auto* button = new Fl_Button(150, 210, 100, 32, about_text::kButtonCaption);
  button->labelfont(kBodyFont);
  button->labelsize(kBodyFontSize);
  button->clear_visible_focus();
  button->callback(OpenWebsite);
  window.end();

  // Fixed size: the same minimum and maximum.
  window.size_range(kWindowWidth, kWindowHeight, kWindowWidth, kWindowHeight);
  window.show();
  if (!window.shown()) {
    ShowMessageBox("Window Creation Failed!", "Error!", MessageIcon::Warning);
    return;
  }

  // The close box, or Escape as FLTK's shortcut for it, hides the window
  // and so ends the loop.
  Fl::run();
  ReapChildren();
  Fl::remove_timeout(ReapTimer);
}
