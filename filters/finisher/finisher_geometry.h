// The finisher's markup: the RenderTransform that mirrors or turns a page's
// content, the canvas that clips it to the printable area, and the twelve
// cut-out marks around that area. Numbers are written "%.2f" (the transform's
// factors as integers); all lengths are in page units (1/96 inch).
#pragma once

#include <initializer_list>
#include <optional>
#include <string>

#include "finisher_settings.h"
#include "framework/page_box.h"

// x' = m11 x + m21 y + dx, y' = m12 x + m22 y + dy.
struct PageTransform {
  REAL m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
};

// The transform that carries a page of width by height onto the page that
// transverse feeding and mirroring make of it; nullopt when the content stays
// where it is.
std::optional<PageTransform> ContentTransform(TransverseFeed transverse, MirrorCode mirror, REAL width, REAL height);

// The box as it lies on the transformed page.
PageBox TransformBox(const PageTransform& transform, const PageBox& box);

// Appends the numbers, "%.2f" each, separated by commas.
void AppendDecimals(std::u16string& text, std::initializer_list<REAL> numbers);

// Appends the transform as a quoted attribute value: "m11,m12,m21,m22,dx,dy".
void BuildRenderTransform(const PageTransform& transform, std::u16string& text);

// Appends the start tag of the canvas that holds the page content: clipped to
// the printable area, or without a clip when there is none (a clip of nothing
// would blank the page).
void BuildClipCanvas(const std::optional<PageBox>& printable, std::u16string& text);

// Appends the path of the twelve cut-out marks: two at each corner of the area
// and one at the middle of each side, each pointing inwards and one fifteenth
// of its side's inner length.
void BuildCutOutLines(const PageBox& area, std::u16string& text);
