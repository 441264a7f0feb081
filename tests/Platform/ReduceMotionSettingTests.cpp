#include "Platform/ReduceMotionSetting.h"
#include "Platform/XSettings.h"

#include <QSignalSpy>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {
// An _XSETTINGS_SETTINGS property as a settings manager writes it, in either byte order.
class PropertyBytes {
public:
    explicit PropertyBytes(bool bigEndian) : m_bigEndian(bigEndian) {}

    PropertyBytes& integer(const QByteArray& name, qint32 value)
    {
        header(0, name);
        put32(quint32(value));
        return *this;
    }
    PropertyBytes& string(const QByteArray& name, const QByteArray& value)
    {
        header(1, name);
        put32(quint32(value.size()));
        padded(value);
        return *this;
    }
    PropertyBytes& color(const QByteArray& name, XSettings::Color value)
    {
        header(2, name);
        for (quint16 channel : {value.red, value.blue, value.green, value.alpha})
            put16(channel);
        return *this;
    }
    QByteArray bytes() const
    {
        QByteArray all(1, m_bigEndian ? '\1' : '\0');
        all += QByteArray(3, '\0');
        const QByteArray saved = m_body;
        PropertyBytes counts(m_bigEndian);
        counts.put32(7); // serial
        counts.put32(m_count);
        return all + counts.m_body + saved;
    }

private:
    void header(quint8 type, const QByteArray& name)
    {
        ++m_count;
        m_body += char(type);
        m_body += '\0';
        put16(quint16(name.size()));
        padded(name);
        put32(3); // last-change serial
    }
    void padded(const QByteArray& text)
    {
        m_body += text;
        m_body += QByteArray((4 - text.size() % 4) % 4, '\0');
    }
    void put16(quint16 value)
    {
        char data[2];
        m_bigEndian ? qToBigEndian(value, data) : qToLittleEndian(value, data);
        m_body.append(data, 2);
    }
    void put32(quint32 value)
    {
        char data[4];
        m_bigEndian ? qToBigEndian(value, data) : qToLittleEndian(value, data);
        m_body.append(data, 4);
    }

    bool m_bigEndian;
    quint32 m_count = 0;
    QByteArray m_body;
};
} // namespace

TEST(XSettings, ReadsEveryKindOfSettingInEitherByteOrder)
{
    for (const bool bigEndian : {false, true}) {
        const QByteArray bytes = PropertyBytes(bigEndian)
                                     .string("Net/ThemeName", "Adwaita")
                                     .color("Gtk/Accent", {0x1111, 0x2222, 0x3333, 0xffff})
                                     .integer("Gtk/EnableAnimations", 0)
                                     .integer("Xft/DPI", -1)
                                     .bytes();
        const auto settings = XSettings::parse(bytes);
        ASSERT_TRUE(settings) << bigEndian;
        EXPECT_EQ(settings->size(), 4);
        EXPECT_EQ(std::get<QByteArray>(settings->value("Net/ThemeName")), "Adwaita");
        EXPECT_EQ(std::get<XSettings::Color>(settings->value("Gtk/Accent")),
                  (XSettings::Color{0x1111, 0x2222, 0x3333, 0xffff}));
        EXPECT_EQ(std::get<qint32>(settings->value("Gtk/EnableAnimations")), 0);
        EXPECT_EQ(std::get<qint32>(settings->value("Xft/DPI")), -1);
        EXPECT_EQ(ReduceMotionSetting::desktopAnimations(bytes), false);
    }
}

TEST(XSettings, RefusesWhatIsNotAWholeList)
{
    const QByteArray whole = PropertyBytes(false).string("Net/ThemeName", "Adwaita").integer("Gtk/EnableAnimations", 1).bytes();
    // Cut anywhere, the list is incomplete.
    for (qsizetype length = 0; length < whole.size(); ++length)
        EXPECT_FALSE(XSettings::parse(whole.left(length))) << length;
    EXPECT_TRUE(XSettings::parse(whole));

    QByteArray badOrder = whole;
    badOrder[0] = 2;
    EXPECT_FALSE(XSettings::parse(badOrder));
    QByteArray badType = whole;
    badType[12] = 7; // the first setting's type
    EXPECT_FALSE(XSettings::parse(badType));
    QByteArray tooMany = whole;
    tooMany[8] = 3; // claims three settings
    EXPECT_FALSE(XSettings::parse(tooMany));
    QByteArray hugeName = whole;
    hugeName[14] = char(0xff); // a name longer than the property
    hugeName[15] = char(0xff);
    EXPECT_FALSE(XSettings::parse(hugeName));
}

TEST(ReduceMotionSetting, FollowsTheDesktopUnlessTheEnvironmentForcesIt)
{
    EXPECT_EQ(ReduceMotionSetting::desktopAnimations(PropertyBytes(true).integer("Gtk/EnableAnimations", 1).bytes()),
              true);
    EXPECT_EQ(ReduceMotionSetting::desktopAnimations(PropertyBytes(false).integer("Gtk/CursorBlink", 0).bytes()),
              std::nullopt);
    EXPECT_EQ(ReduceMotionSetting::desktopAnimations(PropertyBytes(false).string("Gtk/EnableAnimations", "0").bytes()),
              std::nullopt);

    EXPECT_EQ(ReduceMotionSetting::kdeDurationFactor("[General]\nAnimationDurationFactor=1\n[KDE]\n"
                                                     "SingleClick=false\nAnimationDurationFactor[$i] = 0\n"),
              0.0);
    EXPECT_EQ(ReduceMotionSetting::kdeDurationFactor("[KDE]\nAnimationDurationFactor=0.5\n"), 0.5);
    EXPECT_EQ(ReduceMotionSetting::kdeDurationFactor("[General]\nAnimationDurationFactor=0\n"), std::nullopt);

    EXPECT_TRUE(ReduceMotionSetting::decide(true, true, 1.0)) << "QUAVERLOOM_REDUCE_MOTION=1 wins";
    EXPECT_TRUE(ReduceMotionSetting::decide(false, false, std::nullopt));
    EXPECT_FALSE(ReduceMotionSetting::decide(false, true, 0.0)) << "the published setting comes first";
    EXPECT_TRUE(ReduceMotionSetting::decide(false, std::nullopt, 0.0));
    EXPECT_FALSE(ReduceMotionSetting::decide(false, std::nullopt, 0.25));
    EXPECT_FALSE(ReduceMotionSetting::decide(false, std::nullopt, std::nullopt));

    // Away from X11 and KDE only the environment counts.
    qputenv("QUAVERLOOM_REDUCE_MOTION", "1");
    EXPECT_TRUE(ReduceMotionSetting::live()->isOn());
    qunsetenv("QUAVERLOOM_REDUCE_MOTION");
    const auto live = ReduceMotionSetting::live();
    EXPECT_FALSE(live->isOn());
    QSignalSpy changes(live.get(), &ReduceMotionSetting::changed);
    live->set(false);
    live->set(true);
    EXPECT_EQ(changes.size(), 1);
}
