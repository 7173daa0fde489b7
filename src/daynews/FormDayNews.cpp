#include "daynews/FormDayNews.h"

namespace veltod {

TFormDayNews::TFormDayNews() : TSkinWindow(QStringLiteral("FormDayNews"), QColor()) {}

}  // namespace veltod
