#include "catalogue/FormTreeFiles.h"

namespace veltod {

TFormTreeFiles::TFormTreeFiles() : TSkinWindow(QStringLiteral("FormTreeFiles"), kSkinOlive) {}

}  // namespace veltod
