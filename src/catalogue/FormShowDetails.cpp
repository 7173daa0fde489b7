#include "catalogue/FormShowDetails.h"

namespace veltod {

TFormShowDetails::TFormShowDetails() : TSkinWindow(QStringLiteral("FormShowDetails"), kSkinYellow) {}

}  // namespace veltod
