#include <gtest/gtest.h>

#include "platform/gui/PropertyStore.h"

using namespace qv;

TEST(PropertyStore, KeysIgnoreCaseAndKeepWriteOrder)
{
    MemoryPropertyStore store;
    store.write(QStringLiteral("BTYPE"), std::int32_t{7});
    store.write(QStringLiteral("TX"), QStringLiteral("Edit"));
    store.write(QStringLiteral("btype"), std::int32_t{3});
    EXPECT_EQ(store.keys(), (QStringList{QStringLiteral("btype"), QStringLiteral("tx")}));
    EXPECT_EQ(store.readInt(QStringLiteral("BType")), 3);
    store.remove(QStringLiteral("Tx"));
    EXPECT_FALSE(store.contains(QStringLiteral("tx")));
}

TEST(PropertyStore, TypedReadsConvertOnlyBetweenNumbers)
{
    MemoryPropertyStore store;
    store.write(QStringLiteral("flag"), true);
    store.write(QStringLiteral("col"), ColorValue{0x8000000F});
    store.write(QStringLiteral("text"), QStringLiteral("12"));
    EXPECT_EQ(store.readInt(QStringLiteral("flag")), -1);
    EXPECT_EQ(store.readColor(QStringLiteral("col")), 0x8000000Fu);
    EXPECT_EQ(store.readBool(QStringLiteral("col")), true);
    EXPECT_FALSE(store.readInt(QStringLiteral("text")).has_value());
    EXPECT_FALSE(store.readString(QStringLiteral("flag")).has_value());
    EXPECT_FALSE(store.readFont(QStringLiteral("missing")).has_value());
}

TEST(PropertyStore, TextFormRoundTripsEveryType)
{
    MemoryPropertyStore store;
    store.write(QStringLiteral("Text"), QStringLiteral("a\\b\nc\td = e"));
    store.write(QStringLiteral("Number"), std::int32_t{-42});
    store.write(QStringLiteral("Flag"), false);
    store.write(QStringLiteral("Colour"), ColorValue{0x80000012});
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    font.setBold(true);
    store.write(QStringLiteral("Font"), font);
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    store.write(QStringLiteral("Pic"), Picture(image, Picture::Type::Bitmap));

    // Captions and tool tips exactly as typed: blanks at either end, tabs, quotes, breaks.
    const QStringList texts { QStringLiteral("Found: "), QStringLiteral("    "), QStringLiteral("a\tb"),
        QStringLiteral(" \"x\" = 'y'\r\n"), QStringLiteral("\\"), QStringLiteral("wide\u3000"),
        QStringLiteral("nbsp\u00A0"), QString(QChar(0xD800)) };
    for (qsizetype i = 0; i < texts.size(); ++i)
        store.write(QStringLiteral("s%1").arg(i), texts[i]);

    MemoryPropertyStore copy;
    QString error;
    ASSERT_TRUE(copy.fromText(store.toText(), &error)) << error.toStdString();
    EXPECT_EQ(copy.keys(), store.keys());
    for (qsizetype i = 0; i < texts.size(); ++i)
        EXPECT_EQ(copy.readString(QStringLiteral("s%1").arg(i)), texts[i]) << i;
    EXPECT_TRUE(store.toText().contains(QStringLiteral("s0 = str:Found:\\x20\n"))) << "still readable";
    EXPECT_EQ(copy.readString(QStringLiteral("text")), QStringLiteral("a\\b\nc\td = e"));
    EXPECT_EQ(copy.readInt(QStringLiteral("number")), -42);
    EXPECT_EQ(copy.readBool(QStringLiteral("flag")), false);
    EXPECT_EQ(copy.readColor(QStringLiteral("colour")), 0x80000012u);
    EXPECT_EQ(copy.readFont(QStringLiteral("font"))->bold(), true);
    EXPECT_DOUBLE_EQ(copy.readFont(QStringLiteral("font"))->pointSizeF(), 8.25);
    const auto picture = copy.readPicture(QStringLiteral("pic"));
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->type(), Picture::Type::Bitmap);
    EXPECT_EQ(picture->widthPixels(), 3);
}

TEST(PropertyStore, TextFormRejectsBadLinesAndNamesThem)
{
    MemoryPropertyStore store;
    QString error;
    EXPECT_FALSE(store.fromText(QStringLiteral("# comment\na = int:1\nb = int:x\n"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("line 3")));
    EXPECT_EQ(store.readInt(QStringLiteral("a")), 1) << "entries before the bad line stay";
    EXPECT_FALSE(store.fromText(QStringLiteral("c = blob:1"), &error));
    EXPECT_FALSE(store.fromText(QStringLiteral("no separator"), &error));
}

TEST(Picture, SizesInHimetricAtNinetySixDpi)
{
    QImage image(16, 32, QImage::Format_ARGB32);
    image.fill(Qt::white);
    const Picture picture(image, Picture::Type::Icon);
    EXPECT_EQ(picture.widthHimetric(), 423);
    EXPECT_EQ(picture.heightHimetric(), 847);
    EXPECT_NEAR(himetricToPixels(picture.widthHimetric()), 16.0, 0.02);
    EXPECT_TRUE(Picture().isNull());
    EXPECT_EQ(Picture::fromBytes(picture.toBytes()), picture);
    QString error;
    EXPECT_TRUE(Picture::load(QStringLiteral("/nonexistent/x.bmp"), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}

TEST(PropertyStore, TextFormKeepsAStoredEmptyPicture)
{
    MemoryPropertyStore store;
    store.write(QStringLiteral("PanelPicture1"), Picture());
    store.write(QStringLiteral("After"), std::int32_t { 7 });
    MemoryPropertyStore copy;
    QString error;
    ASSERT_TRUE(copy.fromText(store.toText(), &error)) << error.toStdString();
    ASSERT_TRUE(copy.readPicture(QStringLiteral("panelpicture1")).has_value());
    EXPECT_TRUE(copy.readPicture(QStringLiteral("panelpicture1"))->isNull());
    EXPECT_EQ(copy.readInt(QStringLiteral("after")), 7);
    EXPECT_FALSE(copy.fromText(QStringLiteral("p = picture:@@@\n")));
}
