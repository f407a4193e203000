#include <QAction>
#include <QPushButton>
#include <QTimer>

#include "log/write_log.h"
#include "runtime/cp1251.h"
#include "runtime/date_time.h"
#include "runtime/errors.h"
#include "tests/ui/ui_test_support.h"
#include "ui/date_picker.h"
#include "ui/editor_text.h"
#include "ui/error_reporting.h"
#include "ui/widget_helpers.h"

namespace melquon::test {

class TUiPartsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { ResetRecorder(); }

  void fileBytesBecomeEditorLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray("") << QString();
    QTest::newRow("crlf, last ending adds no line") << QByteArray("a\r\nb\r\n") << "a\nb";
    QTest::newRow("lone cr and lf") << QByteArray("a\rb\nc") << "a\nb\nc";
    QTest::newRow("empty line before the end") << QByteArray("a\r\n\r\n") << "a\n";
    QTest::newRow("cyrillic") << QByteArray(Utf8ToCp1251("; Настройки\r\n[COMMON]").c_str())
                              << QStringLiteral("; Настройки\n[COMMON]");
  }
  void fileBytesBecomeEditorLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(FileBytesToEditorText(bytes.toStdString())), text);
  }

  void editorLinesBecomeFileBytes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QString() << QByteArray("");
    QTest::newRow("no break after the last line") << "a\nb" << QByteArray("a\r\nb");
    QTest::newRow("an empty last line keeps its break") << "a\n" << QByteArray("a\r\n");
    QTest::newRow("cyrillic") << QStringLiteral("Шаг\nЁж")
                              << QByteArray(Utf8ToCp1251("Шаг\r\nЁж").c_str());
  }
  void editorLinesBecomeFileBytes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(QByteArray::fromStdString(EditorTextToFileBytes(text.toStdString())), bytes);
  }

  void readingAMissingFileThrows() {
    TTempFolder folder;
    QVERIFY_THROWS_EXCEPTION(EInOutError, ReadEditorTextFile(folder.File("missing.ini")));
  }

  void datePickerKeepsTheFullValue() {
    TDatePicker picker;
    const TDateTime value = EncodeDate(2009, 1, 12) + 0.75;
    picker.SetDateTimeValue(value);
    QCOMPARE(picker.date(), QDate(2009, 1, 12));
    QCOMPARE(picker.DateTimeValue(), value);
    picker.setDate(QDate(2009, 1, 14));
    QCOMPARE(picker.DateTimeValue(), EncodeDate(2009, 1, 14) + 0.75);
  }

  void datePickerBefore1900CountsTheTimeForward() {
    TDatePicker picker;
    picker.SetDateTimeValue(-1.25);
    QCOMPARE(picker.date(), QDate(1899, 12, 29));
    picker.setDate(QDate(1899, 12, 28));
    QCOMPARE(picker.DateTimeValue(), -2.25);
  }

  void datePickerShowsTheZeroDate() {
    TDatePicker picker;
    picker.SetDateTimeValue(0.0);
    QCOMPARE(picker.date(), QDate(1899, 12, 30));
    QCOMPARE(picker.text(), QStringLiteral("30.12.1899"));
  }

  void datePickerFormatFollowsTheRegionalPattern_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("format");
    QTest::newRow("home") << "dd.MM.yyyy"
                          << "."
                          << "dd.MM.yyyy";
    QTest::newRow("slash is the separator") << "M/d/yyyy"
                                            << "-"
                                            << "M-d-yyyy";
    QTest::newRow("quoted text") << "yyyy\"г.\""
                                 << "."
                                 << "yyyy'г.'";
  }
  void datePickerFormatFollowsTheRegionalPattern() {
    QFETCH(QString, pattern);
    QFETCH(QString, separator);
    QFETCH(QString, format);
    QCOMPARE(DatePickerFormat(pattern.toStdString(), separator.toLatin1().at(0)), format);
  }

  void buttonFollowsItsAction() {
    QAction action(QStringLiteral("Старт"));
    QPushButton button;
    int executed = 0;
    connect(&action, &QAction::triggered, [&] { ++executed; });
    BindButtonToAction(&button, &action);
    QCOMPARE(button.text(), QStringLiteral("Старт"));
    button.click();
    QCOMPARE(executed, 1);
    action.setEnabled(false);
    QVERIFY(!button.isEnabled());
    action.setEnabled(true);
    QVERIFY(button.isEnabled());
  }

  void guardedErrorIsShownAndLogged() {
    TTempFolder folder;
    LogFileName = folder.File("Melquon.log");
    RunGuarded([] { throw EInOutError("disk full"); });
    QCOMPARE(Recorder().ErrorBoxes, std::vector<std::string>{"disk full"});
    QCOMPARE(FileBytesOrEmpty(LogFileName), std::string(kFixedStamp) + "disk full\r\n");
    LogFileName.clear();
  }

  void errorBeforeTheLogIsNamedIsOnlyShown() {
    LogFileName.clear();
    RunGuarded([] { throw 42; });
    QCOMPARE(Recorder().ErrorBoxes, std::vector<std::string>{"Unknown error"});
    QVERIFY(Recorder().MessageBoxes.empty());
  }

  void errorEscapingAnEventIsReportedAndTheProgramGoesOn() {
    bool afterwards = false;
    QTimer::singleShot(0, [] { throw EConvertError("'x' is not a valid integer value"); });
    QTimer::singleShot(0, [&] { afterwards = true; });
    QTRY_VERIFY(afterwards);
    QCOMPARE(Recorder().ErrorBoxes, std::vector<std::string>{"'x' is not a valid integer value"});
  }
};

}  // namespace melquon::test

MELQUON_UI_TEST_MAIN(melquon::test::TUiPartsTest)
#include "ui_parts_test.moc"
