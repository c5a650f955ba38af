#include "ui/message_box.h"

#include <glib-object.h>

#include <algorithm>
#include <utility>
#include <vector>

// The toolkit's calls for the box's icon and answer (its headers are not needed for them).
extern "C" {
GType gtk_widget_get_type();
GType gtk_message_dialog_get_type();
void* gtk_image_new_from_icon_name(const char* name, int size);
void gtk_message_dialog_set_image(void* dialog, void* image);
void gtk_widget_show(void* widget);
void gtk_dialog_response(void* dialog, int response);
}

namespace tessaly::ui {
namespace {

constexpr int kIconSizeDialog = 6;        // GTK_ICON_SIZE_DIALOG
constexpr int kResponseDeleteEvent = -4;  // GTK_RESPONSE_DELETE_EVENT

// The icon the next box to appear takes, and the boxes that are up, innermost last.
const char* g_nextIcon = nullptr;
std::vector<GObject*> g_open;

const char* IconName(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation: return "dialog-information";
    case MessageIcon::kQuestion: return "dialog-question";
    case MessageIcon::kWarning: return "dialog-warning";
  }
  return "dialog-information";
}

// wx makes the toolkit's dialog inside ShowModal and shows it at once; the box is seen
// as it is shown, before it is drawn.
gboolean OnWidgetShown(GSignalInvocationHint*, guint count, const GValue* values, gpointer) {
  if (count == 0 || g_nextIcon == nullptr || !G_VALUE_HOLDS_OBJECT(&values[0])) return TRUE;
  auto* widget = static_cast<GObject*>(g_value_get_object(&values[0]));
  if (widget == nullptr || !G_TYPE_CHECK_INSTANCE_TYPE(widget, gtk_message_dialog_get_type())) return TRUE;
  void* image = gtk_image_new_from_icon_name(std::exchange(g_nextIcon, nullptr), kIconSizeDialog);
  gtk_message_dialog_set_image(widget, image);
  gtk_widget_show(image);
  g_open.push_back(widget);
  return TRUE;  // stays installed
}

}  // namespace

int ShowMessageBox(wxMessageDialog& dialog, MessageIcon icon) {
  const guint shown = g_signal_lookup("show", gtk_widget_get_type());
  const gulong hook = g_signal_add_emission_hook(shown, 0, OnWidgetShown, nullptr, nullptr);
  g_nextIcon = IconName(icon);
  const std::size_t depth = g_open.size();
  const int answer = dialog.ShowModal();
  g_nextIcon = nullptr;
  g_open.resize(std::min(g_open.size(), depth));
  g_signal_remove_emission_hook(shown, hook);
  return answer;
}

bool MessageBoxOpen() { return !g_open.empty(); }

void* TopMessageBox() { return g_open.empty() ? nullptr : g_open.back(); }

void CloseMessageBoxes() {
  for (GObject* box : g_open) gtk_dialog_response(box, kResponseDeleteEvent);
}

}  // namespace tessaly::ui
