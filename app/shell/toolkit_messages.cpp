#include "shell/toolkit_messages.h"

#include <glib.h>

#include <cstring>

namespace tessaly::shell {
namespace {

constexpr const char* kLayoutNoise[] = {
    "gtk_distribute_natural_allocation: assertion 'extra_space >= 0' failed",
    "Negative content width ",
    "Negative content height ",
};

const char* Field(const GLogField* fields, gsize count, const char* key) {
  for (gsize i = 0; i < count; ++i)
    if (std::strcmp(fields[i].key, key) == 0 && fields[i].length < 0) return static_cast<const char*>(fields[i].value);
  return nullptr;
}

GLogWriterOutput Write(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer data) {
  if (IsLayoutNoise(Field(fields, count, "GLIB_DOMAIN"), Field(fields, count, "MESSAGE"))) return G_LOG_WRITER_HANDLED;
  return g_log_writer_default(level, fields, count, data);
}

}  // namespace

bool IsLayoutNoise(const char* domain, const char* message) {
  if (domain == nullptr || message == nullptr || std::strcmp(domain, "Gtk") != 0) return false;
  for (const char* noise : kLayoutNoise)
    if (std::strncmp(message, noise, std::strlen(noise)) == 0) return true;
  return false;
}

void DropLayoutNoise() {
  // Every message, structured or not, reaches the writer; it can be set once only.
  g_log_set_writer_func(Write, nullptr, nullptr);
}

}  // namespace tessaly::shell
