#include "Reminders/ReminderDateTime.h"
#include "Reminders/TaskReminderEditor.h"
#include "Platform/OverlayWindow.h"
#include "Reminders/TaskReminderFlightView.h"
#include "Reminders/TaskReminderOverlayPresenter.h"
#include "Support/ManualClock.h"
#include "Support/QtTestPrinters.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>

#include <gtest/gtest.h>
#include <time.h>

namespace {
const QTimeZone berlin("Europe/Berlin");

Date at(int year, int month, int day, int hour, int minute, int second = 0)
{
    return Date::fromDateTime(QDateTime(QDate(year, month, day), QTime(hour, minute, second), berlin));
}

// Written in UTC, so that no zone's own choice of a repeated hour decides what a test expects.
Date utc(int year, int month, int day, int hour, int minute, int second = 0)
{
    return Date::fromDateTime(QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc()));
}

// The process's zone for one scope, as the user's system would set it.
class ScopedSystemZone {
public:
    explicit ScopedSystemZone(const QByteArray& zone) : m_had(qEnvironmentVariableIsSet("TZ")), m_previous(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ScopedSystemZone()
    {
        if (m_had)
            qputenv("TZ", m_previous);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    bool m_had;
    QByteArray m_previous;
};
} // namespace

// New York's clocks go back from 02:00 EDT to 01:00 EST on 2026-11-01, so
// 01:00-01:59 is shown twice: 05:00-05:59 UTC, then 06:00-06:59 UTC.
TEST(ReminderDateTime, ATimeInTheRepeatedHourIsItsNextShowingAfterNow)
{
    const QTimeZone newYork("America/New_York");
    const QDate night(2026, 11, 1);
    struct Case {
        const char* name;
        Date now;
        QDate day;
        QTime picked;
        Date expected;
    };
    const Case cases[] = {
        {"01:10 EDT, 01:30 is 20 minutes away", utc(2026, 11, 1, 5, 10), night, QTime(1, 30), utc(2026, 11, 1, 5, 30)},
        {"01:10 EST, 01:30 is the second showing", utc(2026, 11, 1, 6, 10), night, QTime(1, 30),
         utc(2026, 11, 1, 6, 30)},
        {"01:40 EDT, 01:30 has passed once and comes again", utc(2026, 11, 1, 5, 40), night, QTime(1, 30),
         utc(2026, 11, 1, 6, 30)},
        {"01:40 EST, both 01:30s have passed", utc(2026, 11, 1, 6, 40), night, QTime(1, 30), utc(2026, 11, 1, 6, 40)},
        {"the evening before, the first 01:30", utc(2026, 11, 1, 1, 0), night, QTime(1, 30), utc(2026, 11, 1, 5, 30)},
        {"01:10 EDT, 02:30 exists once", utc(2026, 11, 1, 5, 10), night, QTime(2, 30), utc(2026, 11, 1, 7, 30)},
        {"01:10 EDT, 00:50 has passed", utc(2026, 11, 1, 5, 10), night, QTime(0, 50), utc(2026, 11, 1, 5, 10)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReminderDateTime::combine(c.day, c.picked, c.now, newYork), c.expected) << c.name;
}

// The same night through the editor's fields, in a system set to New York.
TEST(TaskReminderEditor, TheTimeTypedInTheRepeatedHourIsTheNextOneInTheSystemsZone)
{
    const ScopedSystemZone zone("America/New_York");
    ASSERT_EQ(QTimeZone::systemTimeZoneId(), "America/New_York");
    for (const auto& [now, expected] : {std::pair{utc(2026, 11, 1, 5, 10), utc(2026, 11, 1, 5, 30)},
                                        std::pair{utc(2026, 11, 1, 6, 10), utc(2026, 11, 1, 6, 30)}}) {
        ManualClock clock(now);
        Date draft = now;
        TaskReminderEditor editor(NotchTemplateConfiguration::defaults(),
                                  {[&] { return draft; }, [&](Date d) { draft = d; }}, false, {}, clock);
        ReminderDateTimeFields& fields = *editor.fields();
        ASSERT_EQ(fields.timeField()->time(), QTime(1, 10));
        fields.timeField()->setTime(QTime(1, 30));
        EXPECT_EQ(draft, expected) << "now " << now.unixSeconds();
        EXPECT_EQ(fields.dayField()->date(), QDate(2026, 11, 1));
        EXPECT_EQ(fields.timeField()->time(), QTime(1, 30));
    }
}

TEST(ReminderDateTime, CombinesLocalDayAndMinuteWithZeroSecondsAndNeverBeforeNow)
{
    const Date now = at(2026, 3, 20, 9, 15, 42);
    struct Case {
        const char* name;
        bool pickDay; // the day field changed; otherwise the time field
        Date picked;
        Date selection;
        std::optional<Date> expected;
    };
    const Case cases[] = {
        {"new day keeps the chosen hour and minute", true, at(2026, 4, 2, 0, 0), at(2026, 3, 21, 18, 40, 33),
         at(2026, 4, 2, 18, 40)},
        {"new time keeps the chosen day", false, at(2000, 1, 1, 7, 5, 59), at(2026, 3, 22, 18, 40),
         at(2026, 3, 22, 7, 5)},
        {"a past minute becomes now, seconds and all", false, at(2026, 3, 20, 9, 10), at(2026, 3, 20, 18, 0), now},
        {"the current minute is not later than now", false, at(2026, 3, 20, 9, 15), at(2026, 3, 20, 18, 0), now},
        {"a day in the past becomes now", true, at(2026, 3, 19, 0, 0), at(2026, 3, 22, 10, 0), now},
        {"a time in the spring-forward gap changes nothing", false, at(2026, 1, 1, 2, 30),
         at(2026, 3, 29, 12, 0), std::nullopt},
        {"a day whose chosen time falls in the gap changes nothing", true, at(2026, 3, 29, 12, 0),
         at(2026, 3, 28, 2, 30), std::nullopt},
        // 02:30 comes twice that night: first as summer time, 00:30 UTC.
        {"a day ahead takes the first 02:30 of the repeated hour", false, at(2026, 1, 1, 2, 30),
         at(2026, 10, 25, 12, 0), utc(2026, 10, 25, 0, 30)},
    };
    for (const Case& c : cases) {
        const std::optional<Date> result = c.pickDay ? ReminderDateTime::combiningDay(c.picked, c.selection, now, berlin)
                                                     : ReminderDateTime::combiningTime(c.picked, c.selection, now, berlin);
        EXPECT_EQ(result, c.expected) << c.name;
        if (result && *result != now) {
            EXPECT_EQ(ReminderDateTime::localDateTime(*result, berlin).time().second(), 0) << c.name;
        }
    }
}

TEST(ReminderDateTime, ShortTimeFormatDropsSeconds)
{
    for (const auto& [locale, expected] : {std::pair{"C", "HH:mm"}, {"en_US", "h:mm\u202fAP"}, {"de_DE", "HH:mm"}}) {
        QString format = ReminderDateTime::hourMinuteFormat(QLocale(QString::fromLatin1(locale)));
        format.replace(QChar(0x202F), QStringLiteral("\u202f")).replace(QLatin1Char(' '), QStringLiteral("\u202f"));
        EXPECT_EQ(format.toStdString(), expected) << locale;
    }
}

TEST(TaskReminderEditor, FieldsCombineIntoTheDraftAndReturnSaves)
{
    // The fields work in the machine's zone; a day well ahead avoids any clock change.
    const QDate day = QDate::currentDate().addDays(40);
    const auto local = [](const QDate& d, int hour, int minute) {
        return Date::fromDateTime(QDateTime(d, QTime(hour, minute)));
    };
    ManualClock clock(local(day, 12, 0).addingSeconds(17));
    Date draft = local(day, 15, 30);
    QStringList calls;
    TaskReminderEditor editor(NotchTemplateConfiguration::defaults(), {[&] { return draft; }, [&](Date d) { draft = d; }},
                              false,
                              {[&] { calls << "clear"; }, [&] { calls << "cancel"; }, [&] { calls << "save"; }}, clock);
    QStringList texts;
    for (QLabel* label : editor.findChildren<QLabel*>())
        texts << label->text();
    for (QPushButton* button : editor.findChildren<QPushButton*>())
        texts << button->accessibleName();
    EXPECT_EQ(texts, (QStringList{"Set Timer", "Cancel", "Save"}));

    ReminderDateTimeFields& fields = *editor.fields();
    fields.dayField()->setDate(day.addDays(3)); // the time stays
    EXPECT_EQ(draft, local(day.addDays(3), 15, 30));
    fields.timeField()->setTime(QTime(8, 5, 44)); // the day stays, seconds go
    EXPECT_EQ(draft, local(day.addDays(3), 8, 5));
    fields.dayField()->setDate(day); // 08:05 on a day whose noon is "now": now itself
    EXPECT_EQ(draft, clock.now());
    EXPECT_EQ(fields.timeField()->time(), QTime(12, 0));

    QTest::keyClick(fields.dayField(), Qt::Key_Return);
    EXPECT_EQ(calls, QStringList{"save"});

    TaskReminderEditor change(NotchTemplateConfiguration::defaults(), Binding<Date>::stored(draft), true, {}, clock);
    QStringList buttons;
    for (QPushButton* button : change.findChildren<QPushButton*>())
        buttons << button->accessibleName();
    EXPECT_EQ(change.findChildren<QLabel*>().first()->text(), "Change Timer");
    EXPECT_EQ(buttons, (QStringList{"Clear Timer", "Cancel", "Save"}));
}

TEST(TaskReminderEditor, AClickedPartOfTheTimeIsReplacedByTheDigitsTypedNext)
{
    const QDate day = QDate::currentDate().addDays(40);
    const auto local = [](const QDate& d, int hour, int minute) {
        return Date::fromDateTime(QDateTime(d, QTime(hour, minute)));
    };
    // "Now" is 08:31 on the draft's day: a digit typed on its own may name a past minute for a moment.
    ManualClock clock(local(day, 8, 31).addingSeconds(12));
    struct Case {
        const char* name;
        int character; // a character of "08:31" the click lands on
        QString typed;
        QTime expected;
    };
    const Case cases[] = {
        {"two minute digits", 4, "45", QTime(8, 45)},
        {"a minute whose first digit alone is past", 3, "33", QTime(8, 33)},
        {"an hour ahead", 0, "9", QTime(9, 31)},
        {"a two-digit hour", 1, "14", QTime(14, 31)},
    };
    for (const Case& c : cases) {
        Date draft = clock.now();
        TaskReminderEditor editor(NotchTemplateConfiguration::defaults(),
                                  {[&] { return draft; }, [&](Date d) { draft = d; }}, false, {}, clock);
        editor.fields()->timeField()->setDisplayFormat(QStringLiteral("HH:mm"));
        editor.show();
        QLineEdit* line = editor.fields()->timeField()->findChild<QLineEdit*>();
        ASSERT_TRUE(line);
        line->setCursorPosition(c.character);
        const QPoint at = line->inputMethodQuery(Qt::ImCursorRectangle).toRect().center() + QPoint(2, 0);
        line->setCursorPosition(0);
        QTest::mouseClick(line, Qt::LeftButton, {}, at);
        QTest::keyClicks(line, c.typed);
        EXPECT_EQ(ReminderDateTime::localDateTime(draft).time().toString().toStdString(),
                  c.expected.toString().toStdString()) << c.name;
    }
}

TEST(ReminderDateTime, DayFormatKeepsTheLocalesOrderWithTheYearInFull)
{
    for (const auto& [locale, expected] :
         {std::pair{"en_US", "M/d/yyyy"}, {"de_DE", "dd.MM.yyyy"}, {"ja_JP", "yyyy/MM/dd"}, {"en_GB", "dd/MM/yyyy"}}) {
        EXPECT_EQ(ReminderDateTime::dayFormat(QLocale(QString::fromLatin1(locale))).toStdString(), expected) << locale;
    }
}

TEST(TaskReminderEditor, SteppersShowUpAndDownArrowsInTheTextColourOfLightAndDarkPalettes)
{
    ManualClock clock(Date::fromDateTime(QDateTime(QDate::currentDate().addDays(40), QTime(12, 0))));
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        QWidget host;
        auto* fields = new ReminderDateTimeFields(Binding<Date>::stored(clock.now().addingSeconds(3600)), clock, &host);
        // Given after the fields exist, as the popover gives its dark palette.
        QPalette palette = host.palette();
        const QColor text = dark ? QColor(255, 255, 255) : QColor(0, 0, 0);
        palette.setColor(QPalette::Text, text);
        palette.setColor(QPalette::Window, dark ? QColor(36, 36, 40) : QColor(240, 240, 240));
        host.setPalette(palette);
        host.setAutoFillBackground(true);
        host.resize(fields->sizeHint());
        host.show();
        const QImage image = host.grab(fields->timeField()->geometry()).toImage();
        // The stepper's column at the right end, split into its up and down halves.
        const QRect column(image.width() - 18, 0, 16, image.height());
        const auto isArrow = [&](QRgb pixel) { return std::abs(qGray(pixel) - qGray(text.rgb())) < 110; };
        for (const bool up : {true, false}) {
            const QRect half = up ? column.adjusted(0, 2, 0, -column.height() / 2)
                                  : column.adjusted(0, column.height() / 2, 0, -2);
            QList<int> rowWidths;
            for (int y = half.top(); y <= half.bottom(); ++y) {
                int width = 0;
                for (int x = half.left(); x <= half.right(); ++x)
                    width += isArrow(image.pixel(x, y));
                if (width > 0)
                    rowWidths.append(width);
            }
            ASSERT_GE(rowWidths.size(), 2) << (up ? "up" : "down") << ": no arrow drawn";
            EXPECT_LE(rowWidths.size(), 5) << "an arrow, not a block";
            if (up)
                EXPECT_LT(rowWidths.first(), rowWidths.last()) << "the up arrow points up";
            else
                EXPECT_GT(rowWidths.first(), rowWidths.last()) << "the down arrow points down";
        }
        EXPECT_EQ(qGray(fields->timeField()->palette().color(QPalette::Text).rgb()) > 128, dark)
            << "the digits take the palette's text colour";
    }
}

TEST(TaskReminderEditor, TheDayShowsTheYearInFullInTheLocalesOrder)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    ManualClock clock(Date::fromDateTime(QDateTime(QDate(2031, 3, 4), QTime(9, 0))));
    ReminderDateTimeFields fields(Binding<Date>::stored(clock.now().addingSeconds(3600)), clock);
    EXPECT_EQ(fields.dayField()->text(), QStringLiteral("3/4/2031"));
    QLocale::setDefault(previous);
}

namespace {
// What a screen reader finds unnamed under `root`: controls without a name and
// widgets that show text without one.
QStringList unnamed(QWidget* root)
{
    QStringList found;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        if (!widget->isVisibleTo(root) && widget != root)
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        const bool control = widget->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractButton*>(widget)
                             || qobject_cast<QAbstractSpinBox*>(widget) || widget->isWindow();
        // A spin box's own line is read as its value.
        if (qobject_cast<QLineEdit*>(widget) && qobject_cast<QAbstractSpinBox*>(widget->parentWidget()))
            continue;
        if (control && (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty()))
            found << QString::fromLatin1(widget->metaObject()->className());
    }
    return found;
}
} // namespace

TEST(TaskReminderEditor, EveryControlAndTheFlightHaveNamesAScreenReaderReads)
{
    ManualClock clock(Date::fromDateTime(QDateTime(QDate::currentDate().addDays(40), QTime(12, 0))));
    for (const bool hasReminder : {false, true}) {
        TaskReminderEditor editor(NotchTemplateConfiguration::defaults(), Binding<Date>::stored(clock.now()),
                                  hasReminder, {}, clock);
        editor.show();
        EXPECT_EQ(unnamed(&editor), QStringList()) << hasReminder;
    }

    TaskReminderOverlayPresenter::Environment environment;
    environment.screenGeometries = [] { return QList<QRect>{QRect(0, 0, 640, 480)}; };
    environment.mouseLocation = [] { return QPointF(10, 10); };
    TaskReminderOverlayPresenter presenter(environment);
    presenter.present(QStringLiteral("Call the plumber"), NotchTemplateConfiguration::defaults());
    ASSERT_TRUE(presenter.isShowing());
    EXPECT_EQ(unnamed(presenter.panel()), QStringList());
    QAccessibleInterface* banner = QAccessible::queryAccessibleInterface(presenter.flightView());
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->text(QAccessible::Name), QStringLiteral("Call the plumber")) << "the banner reads as its title";
}
