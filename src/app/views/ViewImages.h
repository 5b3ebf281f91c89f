#pragma once

#include <string_view>

#include <QIcon>

namespace Tarnwick::Views {

// Validity images of the entry list: 1 valid, 2 expires within five days, 3 expired.
QIcon ExpiryIcon(int image);
QIcon FolderIcon();
QIcon RootIcon();
QIcon EntryIcon();
// The entry's symbol at 16 x 16: an image file, or "file,index" where the index is ignored
// (Linux image files hold one picture). An empty, missing or unreadable file gives no image.
QIcon SymbolIcon(std::u16string_view symbol);

} // namespace Tarnwick::Views
