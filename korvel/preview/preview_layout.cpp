#include "korvel/preview/preview_layout.h"

#include <algorithm>
#include <cwctype>

namespace korvel {
namespace {

bool IsNumber(const std::wstring& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::uint64_t Area(PixelSize s) {
  return static_cast<std::uint64_t>(s.width) * static_cast<std::uint64_t>(s.height);
}

}  // namespace

std::wstring ResourceName(const std::wstring& bitmapFile) {
  const std::size_t dot = bitmapFile.rfind(L'.');
  return dot == std::wstring::npos ? bitmapFile : bitmapFile.substr(0, dot);
}

bool ResourceBefore(const std::wstring& a, const std::wstring& b) {
  const bool aNumber = IsNumber(a), bNumber = IsNumber(b);
  if (aNumber != bNumber) return aNumber;
  if (aNumber) {
    // Compared as text without leading zeros: file names can hold more digits than any integer.
    const std::wstring x = a.substr(std::min(a.find_first_not_of(L'0'), a.size()));
    const std::wstring y = b.substr(std::min(b.find_first_not_of(L'0'), b.size()));
    if (x.size() != y.size()) return x.size() < y.size();
    if (x != y) return x < y;
    return a < b;
  }
  const std::wstring x = Lower(a), y = Lower(b);
  return x != y ? x < y : a < b;
}

PixelSize FitInside(PixelSize picture, PixelSize box) {
  if (picture.width <= 0 || picture.height <= 0 || box.width <= 0 || box.height <= 0) return {};
  // Compare the two scales as cross products, in 64 bits: sides reach 16384.
  const std::int64_t byWidth = static_cast<std::int64_t>(box.width) * picture.height;
  const std::int64_t byHeight = static_cast<std::int64_t>(box.height) * picture.width;
  PixelSize fit;
  if (byWidth <= byHeight) {
    fit.width = box.width;
    fit.height = static_cast<int>((byWidth + picture.width / 2) / picture.width);
  } else {
    fit.height = box.height;
    fit.width = static_cast<int>((byHeight + picture.height / 2) / picture.height);
  }
  fit.width = std::clamp(fit.width, 1, box.width);
  fit.height = std::clamp(fit.height, 1, box.height);
  return fit;
}

std::vector<std::size_t> ShowingOrder(const std::vector<PictureEntry>& pictures) {
  std::vector<std::size_t> order(pictures.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  auto byResource = [&](std::size_t a, std::size_t b) {
    const bool aShown = Area(pictures[a].size) > 0, bShown = Area(pictures[b].size) > 0;
    if (aShown != bShown) return aShown;
    return ResourceBefore(pictures[a].resource, pictures[b].resource);
  };
  std::sort(order.begin(), order.end(), byResource);
  auto largest = std::max_element(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return Area(pictures[a].size) < Area(pictures[b].size);  // the first of equal ones wins
  });
  if (largest != order.end() && Area(pictures[*largest].size) > 0)
    std::rotate(order.begin(), largest, largest + 1);
  return order;
}

ThumbnailGrid LayOutThumbnails(std::size_t count, PixelBox area, int captionHeight, int gap,
                               int minSide, int maxSide) {
  ThumbnailGrid grid;
  if (count == 0 || area.width <= 0 || area.height <= 0 || minSide <= 0) return grid;
  auto fits = [&](int side) {
    const int columns = (area.width + gap) / (side + gap);
    const int rows = (area.height + gap) / (side + captionHeight + gap);
    return std::pair<int, int>{std::max(columns, 0), std::max(rows, 0)};
  };
  int side = maxSide;
  for (; side > minSide; --side) {
    const auto [columns, rows] = fits(side);
    if (static_cast<std::uint64_t>(columns) * static_cast<std::uint64_t>(rows) >= count) break;
  }
  const auto [columns, rows] = fits(side);
  if (columns == 0 || rows == 0) return grid;
  grid.side = side;
  grid.columns = columns;
  grid.shown = std::min<std::uint64_t>(count, static_cast<std::uint64_t>(columns) * rows);
  for (std::size_t i = 0; i < grid.shown; ++i) {
    const int column = static_cast<int>(i % columns), row = static_cast<int>(i / columns);
    grid.cells.push_back({area.left + column * (side + gap),
                          area.top + row * (side + captionHeight + gap), side, side});
  }
  return grid;
}

PixelBox CentreOver(PixelSize size, PixelBox over, PixelBox screen) {
  PixelBox placed{over.left + (over.width - size.width) / 2,
                  over.top + (over.height - size.height) / 2, size.width, size.height};
  // Right and bottom first, so a window larger than the screen keeps its caption on it.
  placed.left = std::min(placed.left, screen.left + screen.width - size.width);
  placed.top = std::min(placed.top, screen.top + screen.height - size.height);
  placed.left = std::max(placed.left, screen.left);
  placed.top = std::max(placed.top, screen.top);
  return placed;
}

std::wstring PictureListText(const std::vector<std::wstring>& resources,
                             const std::function<bool(const std::wstring&)>& fits) {
  if (resources.empty()) return L"Рисунков нет";
  // One name of hundreds of letters would otherwise take the whole list, or run out of it.
  const auto shortened = [](const std::wstring& name) {
    return name.size() <= kMaxListedName ? name : name.substr(0, kMaxListedName - 1) + L"\x2026";
  };
  const auto firstOf = [&](std::size_t count) {
    std::wstring text = L"Рисунки: ";
    for (std::size_t i = 0; i < count; ++i) text += (i ? L", " : L"") + shortened(resources[i]);
    if (count < resources.size()) text += L" и ещё " + std::to_wstring(resources.size() - count);
    return text;
  };
  const std::wstring whole = firstOf(resources.size());
  if (fits(whole)) return whole;
  // The longest start that fits, found by halving: a longer start never fits where a shorter
  // one does not.
  std::size_t low = 1, high = resources.size() - 1;
  if (!fits(firstOf(low))) return firstOf(low);
  while (low < high) {
    const std::size_t middle = low + (high - low + 1) / 2;
    if (fits(firstOf(middle)))
      low = middle;
    else
      high = middle - 1;
  }
  return firstOf(low);
}

std::wstring ByteCountText(std::uint64_t bytes) {
  std::wstring digits = std::to_wstring(bytes);
  for (std::size_t at = digits.size(); at > 3;) {
    at -= 3;
    digits.insert(at, 1, L' ');
  }
  return digits + L" байт";
}

}  // namespace korvel
