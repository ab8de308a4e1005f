// Where the package preview puts its pictures: which one is shown large, the order of the
// thumbnails, the sizes that keep each picture's aspect, and the window's place.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvel {

struct PixelSize {
  int width = 0;
  int height = 0;
  bool operator==(const PixelSize&) const = default;
};

struct PixelBox {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PixelBox&) const = default;
};

// The resource a bitmap file becomes when applied: its name up to the last dot.
std::wstring ResourceName(const std::wstring& bitmapFile);

// True when resource a comes before b: numbers by value, then other names alphabetically.
bool ResourceBefore(const std::wstring& a, const std::wstring& b);

// The largest size with the picture's aspect inside the box, never below one pixel a side.
// An unknown picture (a zero side) gets nothing.
PixelSize FitInside(PixelSize picture, PixelSize box);

// Indexes of the pictures in showing order: the largest by area first (of equal ones the lower
// resource), then the others by resource. Pictures of size 0 (not shown) go last, by resource.
struct PictureEntry {
  std::wstring resource;
  PixelSize size;  // 0 x 0 when the picture cannot be shown
};
std::vector<std::size_t> ShowingOrder(const std::vector<PictureEntry>& pictures);

// Thumbnails in rows inside an area, each a square of `side` pixels with a caption line under
// it, as large as possible for all of them to fit but no larger than maxSide. When even
// minSide leaves no room for all, the first `shown` are placed.
struct ThumbnailGrid {
  int side = 0;
  int columns = 0;
  std::size_t shown = 0;
  std::vector<PixelBox> cells;  // picture squares, the caption line starts at their bottom
};
ThumbnailGrid LayOutThumbnails(std::size_t count, PixelBox area, int captionHeight, int gap,
                               int minSide, int maxSide);

// A top-left corner that centres a window of `size` on `over`, moved into `screen` where it
// would stick out.
PixelBox CentreOver(PixelSize size, PixelBox over, PixelBox screen);

// "Рисунки: 100, 107, 112" for the resources in their order, or "Рисунков нет". Where the whole
// list does not fit (fits says what does), as many as fit and " и ещё N" for the rest, never a
// list cut off after a comma; at least the first is named. A name longer than kMaxListedName
// is cut to that many characters, the last of them "…".
inline constexpr std::size_t kMaxListedName = 32;
std::wstring PictureListText(const std::vector<std::wstring>& resources,
                             const std::function<bool(const std::wstring&)>& fits);

// "1 234 567 байт": the byte count in groups of three, as the user reads it.
std::wstring ByteCountText(std::uint64_t bytes);

}  // namespace korvel
