#pragma once

#include <QString>

namespace kalvimo {

// The maker's home on the web: a reserved example domain until the project has a home page.
inline const QString kMakerWebAddress = QStringLiteral("https://www.example.com");
inline const QString kMakerSiteName = QStringLiteral("example.com");

} // namespace kalvimo
