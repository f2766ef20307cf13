#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "platform/gdiplus_matrix.h"

namespace {

using Elements = std::array<REAL, 6>;

Elements ElementsOf(const GpMatrix* m) {
  Elements e{};
  EXPECT_EQ(GdipGetMatrixElements(m, e.data()), Ok);
  return e;
}

struct Matrix {
  GpMatrix* m = nullptr;
  Matrix() { EXPECT_EQ(GdipCreateMatrix(&m), Ok); }
  ~Matrix() { GdipDeleteMatrix(m); }
};

GpPointF Transform(const GpMatrix* m, GpPointF p) {
  EXPECT_EQ(GdipTransformMatrixPoints(m, &p, 1), Ok);
  return p;
}

TEST(GdiplusMatrix, CreatesIdentityAndKeepsElementOrder) {
  Matrix id;
  EXPECT_EQ(ElementsOf(id.m), (Elements{1, 0, 0, 1, 0, 0}));
  GpMatrix* m = nullptr;
  ASSERT_EQ(GdipCreateMatrix2(1, 2, 3, 4, 5, 6, &m), Ok);
  EXPECT_EQ(ElementsOf(m), (Elements{1, 2, 3, 4, 5, 6}));
  const GpPointF p = Transform(m, {10, 100});  // row vector: x*m11 + y*m21 + dx
  EXPECT_FLOAT_EQ(p.X, 10 * 1 + 100 * 3 + 5);
  EXPECT_FLOAT_EQ(p.Y, 10 * 2 + 100 * 4 + 6);
  EXPECT_EQ(GdipSetMatrixElements(m, 2, 0, 0, 2, 1, 1), Ok);
  EXPECT_EQ(ElementsOf(m), (Elements{2, 0, 0, 2, 1, 1}));
  GdipDeleteMatrix(m);
}

// Rotating by 90 maps (x, y) to (-y, x); the order decides whether the translation
// happens after the rotation (append) or before it (prepend).
TEST(GdiplusMatrix, RotateThenTranslateAppendVersusPrepend) {
  struct Case {
    GpMatrixOrder order;
    Elements elements;
    GpPointF image_of_1_0;
  };
  for (const Case& c : {Case{MatrixOrderAppend, {0, 1, -1, 0, 10, 20}, {10, 21}},
                        Case{MatrixOrderPrepend, {0, 1, -1, 0, -20, 10}, {-20, 11}}}) {
    Matrix m;
    ASSERT_EQ(GdipRotateMatrix(m.m, 90, MatrixOrderAppend), Ok);
    ASSERT_EQ(GdipTranslateMatrix(m.m, 10, 20, c.order), Ok);
    EXPECT_EQ(ElementsOf(m.m), c.elements) << c.order;
    const GpPointF p = Transform(m.m, {1, 0});
    EXPECT_EQ(p.X, c.image_of_1_0.X);
    EXPECT_EQ(p.Y, c.image_of_1_0.Y);
  }
}

TEST(GdiplusMatrix, RotationsAreExactOnQuarterTurnsAndNeverNegativeZero) {
  for (REAL angle : {0.0f, 90.0f, 180.0f, 270.0f, -90.0f, 450.0f}) {
    Matrix m;
    ASSERT_EQ(GdipRotateMatrix(m.m, angle, MatrixOrderAppend), Ok);
    for (REAL v : ElementsOf(m.m)) {
      EXPECT_TRUE(v == 0 || v == 1 || v == -1) << angle << ": " << v;
      EXPECT_FALSE(v == 0 && std::signbit(v)) << angle;
    }
  }
  Matrix m;
  ASSERT_EQ(GdipRotateMatrix(m.m, 30, MatrixOrderAppend), Ok);
  const GpPointF p = Transform(m.m, {2, 0});
  EXPECT_NEAR(p.X, 1.7320508f, 1e-6);
  EXPECT_NEAR(p.Y, 1.0f, 1e-6);
}

TEST(GdiplusMatrix, ScaleMultiplyAndInvertCompose) {
  Matrix a, b;
  ASSERT_EQ(GdipScaleMatrix(a.m, 2, 3, MatrixOrderAppend), Ok);
  ASSERT_EQ(GdipTranslateMatrix(b.m, 5, 7, MatrixOrderAppend), Ok);
  ASSERT_EQ(GdipMultiplyMatrix(a.m, b.m, MatrixOrderAppend), Ok);  // scale, then move
  EXPECT_EQ(ElementsOf(a.m), (Elements{2, 0, 0, 3, 5, 7}));
  GpMatrix* copy = nullptr;
  ASSERT_EQ(GdipCloneMatrix(a.m, &copy), Ok);
  ASSERT_EQ(GdipInvertMatrix(copy), Ok);
  ASSERT_EQ(GdipMultiplyMatrix(copy, a.m, MatrixOrderAppend), Ok);
  const Elements identity{1, 0, 0, 1, 0, 0};
  const Elements product = ElementsOf(copy);
  for (std::size_t i = 0; i < identity.size(); ++i) EXPECT_NEAR(product[i], identity[i], 1e-6) << i;
  GdipDeleteMatrix(copy);

  ASSERT_EQ(GdipSetMatrixElements(b.m, 1, 2, 2, 4, 0, 0), Ok);
  EXPECT_EQ(GdipInvertMatrix(b.m), InvalidParameter);
  EXPECT_EQ(ElementsOf(b.m), (Elements{1, 2, 2, 4, 0, 0}));
}

TEST(GdiplusMatrix, RejectsNullAndInvalidArguments) {
  Matrix m;
  REAL e[6];
  GpPointF p{0, 0};
  EXPECT_EQ(GdipCreateMatrix(nullptr), InvalidParameter);
  EXPECT_EQ(GdipCreateMatrix2(1, 0, 0, 1, 0, 0, nullptr), InvalidParameter);
  EXPECT_EQ(GdipCloneMatrix(nullptr, &m.m), InvalidParameter);
  EXPECT_EQ(GdipDeleteMatrix(nullptr), InvalidParameter);
  EXPECT_EQ(GdipGetMatrixElements(nullptr, e), InvalidParameter);
  EXPECT_EQ(GdipGetMatrixElements(m.m, nullptr), InvalidParameter);
  EXPECT_EQ(GdipSetMatrixElements(nullptr, 1, 0, 0, 1, 0, 0), InvalidParameter);
  EXPECT_EQ(GdipRotateMatrix(nullptr, 90, MatrixOrderAppend), InvalidParameter);
  EXPECT_EQ(GdipTranslateMatrix(nullptr, 1, 1, MatrixOrderAppend), InvalidParameter);
  EXPECT_EQ(GdipScaleMatrix(nullptr, 1, 1, MatrixOrderAppend), InvalidParameter);
  EXPECT_EQ(GdipScaleMatrix(m.m, 1, 1, static_cast<GpMatrixOrder>(2)), InvalidParameter);
  EXPECT_EQ(GdipMultiplyMatrix(m.m, nullptr, MatrixOrderAppend), InvalidParameter);
  EXPECT_EQ(GdipInvertMatrix(nullptr), InvalidParameter);
  EXPECT_EQ(GdipTransformMatrixPoints(nullptr, &p, 1), InvalidParameter);
  EXPECT_EQ(GdipTransformMatrixPoints(m.m, nullptr, 1), InvalidParameter);
  EXPECT_EQ(GdipTransformMatrixPoints(m.m, &p, 0), InvalidParameter);
}

}  // namespace
