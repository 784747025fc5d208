#include "ui/finder_image.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

namespace tessivo {
namespace {

uint32_t little_endian(std::span<const uint8_t> bytes, std::size_t at, std::size_t size) {
    uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
    }
    return value;
}

TEST(FinderImage, HeaderFieldsDescribeOne32x32CursorWithHotSpotAtTheTip) {
    const auto bytes = finder_image();
    struct Field {
        const char* name;
        std::size_t offset;
        std::size_t size;
        uint32_t value;
    };
    const Field fields[] = {
        {"reserved", 0, 2, 0},
        {"type is cursor", 2, 2, 2},
        {"one image", 4, 2, 1},
        {"entry width", 6, 1, 32},
        {"entry height", 7, 1, 32},
        {"colour count", 8, 1, 0},
        {"entry reserved", 9, 1, 0},
        {"hot spot x", 10, 2, 3},
        {"hot spot y", 12, 2, 2},
        {"image size", 14, 4, 4264},
        {"image offset", 18, 4, 22},
        {"info header size", 22, 4, 40},
        {"bitmap width", 26, 4, 32},
        {"bitmap height holds both masks", 30, 4, 64},
        {"planes", 34, 2, 1},
        {"bits per pixel", 36, 2, 32},
        {"compression BI_RGB", 38, 4, 0},
        {"image data size", 42, 4, 4224},
    };
    for (const Field& field : fields) {
        EXPECT_EQ(little_endian(bytes, field.offset, field.size), field.value) << field.name;
    }
}

TEST(FinderImage, QtDecodesItWithATransparentBackgroundAndABlueTip) {
    const auto bytes = finder_image();
    QPixmap pixmap;
    ASSERT_TRUE(pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size()), "CUR"));
    EXPECT_EQ(pixmap.size(), QSize(32, 32));
    EXPECT_TRUE(pixmap.hasAlphaChannel());

    const QImage image = pixmap.toImage();
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "background corner";
    EXPECT_EQ(qAlpha(image.pixel(31, 31)), 0) << "background corner";
    const QColor tip = image.pixelColor(3, 2);
    EXPECT_EQ(tip.alpha(), 255);
    EXPECT_GT(tip.blue(), tip.red() + 50) << "the hot spot is a blue pixel";
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white)) << "outline left of the tip";
    EXPECT_EQ(image.pixelColor(3, 1), QColor(Qt::white)) << "outline above the tip";
}

}  // namespace
}  // namespace tessivo
