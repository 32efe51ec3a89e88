#pragma once

#include <QStringView>
#include <compare>

// Release versions as the update feed and the build write them: numbers
// separated by dots ("1.10", "0.2.0"). They compare as numbers, part by part,
// a missing part counting as 0, so 1.10 is newer than 1.9 and 1.2 equals 1.2.0.
namespace moorkeep::Version {

// One or more parts of decimal digits joined by single dots.
bool isValid(QStringView version);

// Both versions must be valid. Parts of any length compare exactly.
std::strong_ordering compare(QStringView left, QStringView right);

} // namespace moorkeep::Version
