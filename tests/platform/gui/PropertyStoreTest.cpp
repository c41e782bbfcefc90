#include <gtest/gtest.h>

#include "platform/gui/PropertyStore.h"

using namespace qv;
using namespace Qt::StringLiterals;

TEST(PropertyStore, KeysIgnoreCaseAndTypedReadsConvertOnlyBetweenNumbers)
{
    MemoryPropertyStore store;
    store.write(u"BTYPE"_s, std::int32_t { 7 });
    store.write(u"TX"_s, u"12"_s);
    store.write(u"btype"_s, std::int32_t { 3 });
    store.write(u"flag"_s, true);
    store.write(u"col"_s, ColorValue { 0x8000000F });
    EXPECT_EQ(store.keys(), (QStringList { u"btype"_s, u"tx"_s, u"flag"_s, u"col"_s })) << "in write order";
    EXPECT_EQ(store.readInt(u"BType"_s), 3);
    EXPECT_EQ(store.readInt(u"flag"_s), -1);
    EXPECT_EQ(store.readBool(u"col"_s), true);
    EXPECT_FALSE(store.readInt(u"tx"_s).has_value());
    EXPECT_FALSE(store.readString(u"flag"_s).has_value());
}

TEST(PropertyStore, TextFormKeepsTextsExactlyAndRejectsBadLines)
{
    // Each type is read back by the controls' own round trips; here the texts and a stored empty picture.
    MemoryPropertyStore store;
    store.write(u"Empty"_s, Picture());
    store.write(u"Number"_s, std::int32_t { -42 });
    // Texts exactly as typed: blanks at either end, tabs, quotes, breaks, escapes.
    const QStringList texts { u"a\\b\nc\td = e"_s, u"Found: "_s, u"    "_s, u"a\tb"_s, u" \"x\" = 'y'\r\n"_s,
        u"\\"_s, u"wide\u3000"_s, u"nbsp\u00A0"_s, QString(QChar(0xD800)) };
    for (qsizetype i = 0; i < texts.size(); ++i)
        store.write(u"s%1"_s.arg(i), texts[i]);

    MemoryPropertyStore copy;
    QString error;
    ASSERT_TRUE(copy.fromText(store.toText(), &error)) << error.toStdString();
    EXPECT_EQ(copy.keys(), store.keys());
    for (qsizetype i = 0; i < texts.size(); ++i)
        EXPECT_EQ(copy.readString(u"s%1"_s.arg(i)), texts[i]) << i;
    EXPECT_TRUE(store.toText().contains(u"s1 = str:Found:\\x20\n"_s)) << "still readable";
    EXPECT_EQ(copy.readInt(u"number"_s), -42);
    ASSERT_TRUE(copy.readPicture(u"empty"_s).has_value()) << "a stored empty picture stays stored";
    EXPECT_TRUE(copy.readPicture(u"empty"_s)->isNull());

    MemoryPropertyStore bad;
    EXPECT_FALSE(bad.fromText(u"# comment\na = int:1\nb = int:x\n"_s, &error));
    EXPECT_TRUE(error.contains(u"line 3"_s));
    EXPECT_EQ(bad.readInt(u"a"_s), 1) << "entries before the bad line stay";
    for (const QString& line : { u"c = blob:1"_s, u"no separator"_s, u"p = picture:@@@\n"_s })
        EXPECT_FALSE(bad.fromText(line, &error)) << line.toStdString();
}

// Sizes in himetric at 96 dpi (the controls measure pictures through them); a file that fails to load.
TEST(Picture, SizesInHimetricAndAFailedLoad)
{
    const Picture picture(QImage(16, 32, QImage::Format_ARGB32), Picture::Type::Icon);
    EXPECT_EQ(picture.widthHimetric() * 10000 + picture.heightHimetric(), 423 * 10000 + 847);
    QString error;
    EXPECT_TRUE(Picture::load(u"/nonexistent/x.bmp"_s, &error).isNull() && !error.isEmpty());
}
