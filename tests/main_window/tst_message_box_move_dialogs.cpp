#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

#include "message_box_move_dialogs.h"

using Names = std::vector<std::string>;
Q_DECLARE_METATYPE(Names)

namespace {

enum class Press { Ok, Cancel, Escape };

// What a modal box showed, read while it was open.
struct Seen {
    QString title;
    QStringList buttons;  // left to right
    QString text;
    bool plainText = false;
    bool noIcon = true;
    bool scrollsVertically = false;
    bool fitsOnScreen = false;
    QString summary;               // the confirmation's line above the names
    bool namesInOneLabel = false;  // some label lays out several names
    bool uniformRows = false;
    QString reachedByKeyboard;  // the name current after Shift+Tab from OK and End
    int accessibleRows = -1;
    QString lastAccessibleName;
    QStringList misreadLabels;  // labels whose accessible name is not their text
};

QString AccessibleName(QObject* object) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

// What assistive technology reads for each label that shows text must be that text.
QStringList MisreadLabels(QWidget* window) {
    QStringList misread;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->text().isEmpty() && AccessibleName(label) != label->text())
            misread << label->text() + QStringLiteral(" read as ") + AccessibleName(label);
    }
    return misread;
}

// The names as the confirmation's list shows them, and how keyboard and assistive technology reach them.
void ReadNamesList(QWidget* box, QTableView* list, Seen& seen) {
    QStringList names;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        names << list->model()->index(row, 0).data().toString();
    seen.text = names.join('\n');
    // Rows of one fixed height are placed without measuring any of them.
    seen.uniformRows = list->verticalHeader()->sectionResizeMode(0) == QHeaderView::Fixed;
    seen.scrollsVertically = list->verticalScrollBar()->isVisible();
    for (QLabel* label : box->findChildren<QLabel*>()) {
        if (label->text().contains('\n')) seen.namesInOneLabel = true;
        seen.summary = label->text();
    }
    // The list lays its rows out once events run, as it does before anyone could press a key.
    QCoreApplication::processEvents();
    QTest::keyClick(box, Qt::Key_Backtab);
    if (box->focusWidget() == list) {
        QTest::keyClick(list, Qt::Key_End);
        seen.reachedByKeyboard = list->currentIndex().data().toString();
    }
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(list);
    if (accessible != nullptr && accessible->tableInterface() != nullptr) {
        QAccessibleTableInterface* table = accessible->tableInterface();
        seen.accessibleRows = table->rowCount();
        if (QAccessibleInterface* last = table->cellAt(table->rowCount() - 1, 0))
            seen.lastAccessibleName = last->text(QAccessible::Name);
    }
}

QList<QPushButton*> ButtonsLeftToRight(QWidget* box) {
    QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(), [box](QPushButton* a, QPushButton* b) {
        return a->mapTo(box, QPoint()).x() < b->mapTo(box, QPoint()).x();
    });
    return buttons;
}

// Waits for the next modal box, reads it, then answers it with press.
void AnswerNextModal(Seen& seen, Press press) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, &seen, press] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr || !box->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        seen.title = box->windowTitle();
        const QList<QPushButton*> buttons = ButtonsLeftToRight(box);
        for (QPushButton* button : buttons) seen.buttons << button->text();
        if (auto* message = qobject_cast<QMessageBox*>(box)) {
            seen.text = message->text();
            seen.plainText = message->textFormat() == Qt::PlainText;
            seen.noIcon = message->icon() == QMessageBox::NoIcon;
        } else if (auto* list = box->findChild<QTableView*>()) {
            ReadNamesList(box, list, seen);
        }
        seen.misreadLabels = MisreadLabels(box);
        seen.fitsOnScreen = box->screen()->availableGeometry().contains(box->frameGeometry());
        if (press == Press::Escape) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (!buttons.isEmpty()) {
            QTest::mouseClick(press == Press::Ok ? buttons.first() : buttons.last(), Qt::LeftButton);
        }
    });
    timer->start();
}

Names ManyNames(int count) {
    Names names;
    for (int i = 0; i < count; ++i) names.push_back("file_" + std::to_string(i) + ".dat");
    return names;
}

QString Lines(const Names& names) {
    QStringList lines;
    for (const std::string& name : names) lines << QString::fromStdString(name);
    return lines.join('\n');
}

}  // namespace

Q_DECLARE_METATYPE(Press)

class TestMessageBoxMoveDialogs : public QObject {
    Q_OBJECT

  private slots:
    void confirm_data() {
        QTest::addColumn<Names>("names");
        QTest::addColumn<Press>("press");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("scrolls");
        QTest::addColumn<QString>("summary");

        const Names two{"a.txt", "b,c.txt"};
        const QString none;
        QTest::newRow("OK") << two << Press::Ok << true << QStringLiteral("a.txt\nb,c.txt") << false << none;
        QTest::newRow("Cancel") << two << Press::Cancel << false << QStringLiteral("a.txt\nb,c.txt") << false
                                << none;
        QTest::newRow("closed with Escape")
            << two << Press::Escape << false << QStringLiteral("a.txt\nb,c.txt") << false << none;
        QTest::newRow("Japanese names") << Names{"写真.jpg", "メモ.txt"} << Press::Ok << true
                                        << QStringLiteral("写真.jpg\nメモ.txt") << false << none;
        QTest::newRow("markup stays text") << Names{"<b>bold</b>.txt"} << Press::Ok << true
                                           << QStringLiteral("<b>bold</b>.txt") << false << none;
        QTest::newRow("bytes that are not UTF-8")
            << Names{"caf\xe9.txt"} << Press::Ok << true << QStringLiteral("caf\uFFFD.txt") << false << none;
        QTest::newRow("summary above the names")
            << two << Press::Ok << true << QStringLiteral("a.txt\nb,c.txt") << false
            << QStringLiteral("「w2」に 2 個のファイル");
        const Names many = ManyNames(400);
        QTest::newRow("long list scrolls") << many << Press::Ok << true << Lines(many) << true << none;
        QTest::newRow("long list can be cancelled")
            << many << Press::Cancel << false << Lines(many) << true << none;
        const Names huge = ManyNames(100000);
        QTest::newRow("100,000 names") << huge << Press::Ok << true << Lines(huge) << true << none;
    }

    void confirm() {
        QFETCH(Names, names);
        QFETCH(Press, press);
        QFETCH(bool, answer);
        QFETCH(QString, shown);
        QFETCH(bool, scrolls);
        QFETCH(QString, summary);

        QWidget window;
        window.show();
        MessageBoxMoveDialogs dialogs(&window);
        Seen seen;
        AnswerNextModal(seen, press);

        QCOMPARE(dialogs.ConfirmMove(names, summary.toStdString()), answer);
        QCOMPARE(seen.title, QStringLiteral("これらのファイルを移動します"));
        QCOMPARE(seen.buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("キャンセル")}));
        QCOMPARE(seen.text, shown);
        QCOMPARE(seen.summary, summary);
        QCOMPARE(seen.scrollsVertically, scrolls);
        QVERIFY(seen.fitsOnScreen);
        // One row a name, never one label laying them all out; every name within reach.
        QVERIFY(!seen.namesInOneLabel);
        QVERIFY(seen.uniformRows);
        const QString last = QString::fromUtf8(names.back());
        QCOMPARE(seen.reachedByKeyboard, last);
        QCOMPARE(seen.accessibleRows, static_cast<int>(names.size()));
        QCOMPARE(seen.lastAccessibleName, last);
        QCOMPARE(seen.misreadLabels, QStringList());
    }

    void moveFailure() {
        MessageBoxMoveDialogs dialogs(nullptr);
        Seen seen;
        AnswerNextModal(seen, Press::Ok);
        dialogs.ReportMoveFailure();

        QCOMPARE(seen.title, QStringLiteral("エラー報告"));
        QCOMPARE(seen.buttons, QStringList{QStringLiteral("OK")});
        QVERIFY(seen.noIcon);
        QCOMPARE(seen.misreadLabels, QStringList());
        QCOMPARE(
            seen.text,
            QStringLiteral("ファイルの移動に失敗したようです。使用中のファイルがないか調べてください。\n"
                           "また現在のところファイル名に,（コンマ）が含まれている場合は移動に失敗します。"
                           "（手抜きです。）\n"
                           "とりあえずBrenmoorixホームページに,（コンマ）を含むファイルを検索して自動で消去"
                           "するソフトがあります"));
    }

    void subfolderFailure() {
        MessageBoxMoveDialogs dialogs(nullptr);
        Seen seen;
        AnswerNextModal(seen, Press::Ok);
        dialogs.ReportSubfolderFailure("読み取り専用の媒体です（Read-only file system）");

        QCOMPARE(seen.title, QStringLiteral("エラー報告"));
        QCOMPARE(seen.buttons, QStringList{QStringLiteral("OK")});
        QVERIFY(seen.noIcon);
        QCOMPARE(seen.misreadLabels, QStringList());
        QVERIFY(seen.text.contains(QStringLiteral("「w」")));
        QVERIFY(seen.text.contains(QStringLiteral("移動していません")));
        QVERIFY(seen.text.endsWith(QStringLiteral("読み取り専用の媒体です（Read-only file system）")));
    }
};

QTEST_MAIN(TestMessageBoxMoveDialogs)
#include "tst_message_box_move_dialogs.moc"
