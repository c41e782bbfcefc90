// The property store's text form: what one reading keeps is written and read back with the same
// values and the same text, and any string at all survives being stored as a caption.
#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzCheck.h"
#include "platform/gui/PropertyStore.h"

using namespace qv;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Fonts want a GUI application; none is shown.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

namespace {
bool sameValue(const PropertyValue& a, const PropertyValue& b)
{
    if (a.index() != b.index())
        return false;
    if (const auto* font = std::get_if<QFont>(&a))
        return font->toString() == std::get<QFont>(b).toString();
    return a == b;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    MemoryPropertyStore first;
    first.fromText(input); // what comes before a bad line is kept
    const QString written = first.toText();
    MemoryPropertyStore second;
    QString error;
    QV_FUZZ_CHECK(second.fromText(written, &error));
    QV_FUZZ_CHECK(second.keys() == first.keys());
    for (const QString& key : first.keys())
        QV_FUZZ_CHECK(sameValue(*first.read(key), *second.read(key)));
    QV_FUZZ_CHECK(second.toText() == written);

    MemoryPropertyStore caption;
    caption.write(QStringLiteral("pText1"), input);
    MemoryPropertyStore reread;
    QV_FUZZ_CHECK(reread.fromText(caption.toText()));
    QV_FUZZ_CHECK(reread.readString(QStringLiteral("ptext1")) == input);
    return 0;
}
