#include "ui/platform/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <QFontMetrics>

namespace veltod {

std::shared_future<void> ReadFontConfigurationAhead() {
    return std::async(std::launch::async, [] { FcInit(); }).share();
}

FontWarmUp::FontWarmUp(std::shared_future<void> configuration, QList<QFont> fonts)
    : thread_([configuration = std::move(configuration), fonts = std::move(fonts)] {
          if (configuration.valid()) configuration.wait();
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
