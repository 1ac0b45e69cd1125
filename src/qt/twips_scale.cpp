#include "qt/twips_scale.h"

#include <algorithm>

#include <QFont>
#include <QFontMetricsF>
#include <QStyle>

namespace qmz {

namespace {

constexpr float kScreenTwipsPerPixel = 15;  // 1440 twips an inch at 96 pixels an inch

struct DesignedFit {
  const char* text;
  float twips;  // the narrowest designed column that shows such a text
};

constexpr DesignedFit kDesignedFits[] = {{"2026-03-15", 1100}, {"1,234,567.00", 900}};

}  // namespace

float TwipsPerPixel(const QFont& font, const QStyle& style) {
  const QFontMetricsF metrics(font);
  // A table cell keeps a margin on either side of its text, and a pixel for the grid line.
  const float margins =
      2.0f * static_cast<float>(style.pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 1.0f;
  float scale = kScreenTwipsPerPixel;
  for (const DesignedFit& fit : kDesignedFits) {
    const float pixels =
        static_cast<float>(metrics.horizontalAdvance(QString::fromLatin1(fit.text))) + margins;
    scale = std::min(scale, fit.twips / pixels);
  }
  return scale;
}

}  // namespace qmz
