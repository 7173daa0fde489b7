#include "ui/platform/FontWarmUp.h"

#include <QFontMetrics>

namespace veltod {

FontWarmUp::FontWarmUp(QList<QFont> fonts)
    : thread_([fonts = std::move(fonts)] {
          // Measuring a text fills the database, resolves each family (with
          // its fallbacks) and opens its face; the window that shows the text
          // later finds all of it done.
          try {
              for (const QFont& font : fonts) QFontMetrics(font).horizontalAdvance(QStringLiteral("Today"));
          } catch (const std::exception&) {
              // Out of memory on the way: the windows load their fonts themselves.
          }
      }) {}

FontWarmUp::~FontWarmUp() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace veltod
