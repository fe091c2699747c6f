#pragma once
// One typeface for a Korean interface. Left alone, Qt draws Latin letters and
// digits in the desktop's sans and borrows Hangul from another family glyph by
// glyph, so one line mixes two sizes, weights and digit shapes and grows
// taller than its neighbours.

#include <QFont>
#include <QString>

// fontconfig's best sans-serif for Korean, when Qt knows it as a family that
// writes both Korean and Latin; empty when no installed font qualifies.
QString koreanFamily();

// `base` drawn in `family`, keeping its size and weight; `base` itself when
// `family` is empty.
QFont inFamily(const QFont& base, const QString& family);

// Korean interfaces draw every widget, menu and panel in koreanFamily(); an
// English interface keeps the desktop's fonts untouched. Call it once, right
// after the application object exists and before any widget does.
void useInterfaceTypeface(bool korean);
