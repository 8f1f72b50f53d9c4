// Character files built in tests: a manifest and PNG frames written into a
// zip with libzip, and ways to spoil the result.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QJsonObject>
#include <QSize>
#include <string>
#include <utility>
#include <vector>

namespace parlotto::testing {

// A PNG of `size` filled with `color`.
QByteArray SolidPng(QSize size, QColor color);

// A zip archive of the named entries, deflated.
QByteArray ZipOf(const std::vector<std::pair<std::string, QByteArray>>& entries);

// A valid character of 8×6 frames: frame 0 from "one.png" (red), frames
// 1 to 5 from the 3×2 sheet "sheet.png" (margin 1, spacing 2), cell c in
// the colour SheetColor(c), the last cell unused.
QJsonObject SmallManifest();
std::vector<std::pair<std::string, QByteArray>> SmallCharacterEntries(const QJsonObject& manifest);
QColor SheetColor(int cell);

// Sets the uncompressed size that the local and the central header of
// `entry` claim to `size`.
void ForgeUncompressedSize(QByteArray* zip, const std::string& entry, quint32 size);

}  // namespace parlotto::testing
