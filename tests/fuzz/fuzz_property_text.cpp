// The property store's text form: what one reading keeps is written and read back with the same
// values and the same text, and any string at all survives being stored as a caption.
#include <QGuiApplication>

#include "platform/gui/PropertyStore.h"
#include "FuzzCheck.h"

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

QV_FUZZ_TARGET
{
    const QString text = QString::fromUtf8(input.data(), static_cast<qsizetype>(input.size()));

    MemoryPropertyStore first;
    first.fromText(text); // what comes before a bad line is kept
    const QString written = first.toText();
    MemoryPropertyStore second;
    QString error;
    QV_FUZZ_CHECK(second.fromText(written, &error));
    QV_FUZZ_CHECK(second.keys() == first.keys());
    for (const QString& key : first.keys())
        QV_FUZZ_CHECK(sameValue(*first.read(key), *second.read(key)));
    QV_FUZZ_CHECK(second.toText() == written);

    MemoryPropertyStore caption;
    caption.write(QStringLiteral("pText1"), text);
    MemoryPropertyStore reread;
    QV_FUZZ_CHECK(reread.fromText(caption.toText()));
    QV_FUZZ_CHECK(reread.readString(QStringLiteral("ptext1")) == text);
}
