// The filter list of a device: adding from the menu, ticking, removing and
// editing reach the chain and the engine at once, and the file is written
// only when the embedding dialog saves.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <cstring>

#include "msgboxdialog.h"
#include "qfiltereditdialog.h"
#include "qfilterswidget.h"
#include "qhyperlink.h"
#include "qmyfilterhelper.h"
#include "qmyfilterwidget.h"
#include "qmypushbutton.h"
#include "zddialogdriver.h"
#include "zdtestmain.h"

namespace
{

FILTERITEM make(uint32_t type, uint32_t id, bool enabled = true)
{
    FILTERITEM item;
    memset(&item, 0, sizeof(item));
    item.type = type;
    item.enabled = enabled ? 1 : 0;
    item.id = id;
    strcpy(item.name, type == FILTER_VFLIP ? "Vertical flip" : "");
    InitFilterDataDefault(&item);
    return item;
}

QStringList filterWrites()
{
    QStringList out;
    const QStringList lines = zdtest::engineTrace().split('\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        if (line.startsWith("ZD_AddFilter(") || line.startsWith("ZD_EditFilter(") ||
            line.startsWith("ZD_DeleteFilter("))
            out << line;
    }
    return out;
}

// Chooses the menu entry of kind as the user would, through the add menu.
void chooseFromAddMenu(QFiltersWidget& list, int kind)
{
    zdtest::whenPopup([kind](QMenu* menu) {
        for (QAction* a : menu->actions()) {
            if (!a->isSeparator() && a->data().toInt() == kind) {
                menu->setActiveAction(a);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        menu->close();
    });
    list.addButton->click();
}

} // namespace

class TestQFiltersWidget : public QObject
{
    Q_OBJECT

    QWidget* m_host = nullptr;
    QFiltersWidget* m_list = nullptr;
    QMyFilters* m_chain = nullptr;
    QString m_key;
    int m_keyCount = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(zdtest::startEngine());
        g_Global.pFilterStore = new QMyFilterHelper;
    }
    void cleanupTestCase()
    {
        delete g_Global.pFilterStore;
        g_Global.pFilterStore = nullptr;
        zdtest::stopEngine();
    }

    void init()
    {
        ZDT_ClearScript(nullptr);
        ZD_DeleteFilter(g_Global.hCore, nullptr, FILTER_ID_ALL);
        m_key = QString("Cam %1").arg(++m_keyCount);
        m_host = new QWidget;
        m_host->resize(400, 300);
        m_list = new QFiltersWidget(m_host);
        m_list->setGeometry(70, 160, 261, 111);
        m_list->InitAll(m_key, QString());
        m_chain = g_Global.pFilterStore->getDeviceFilters(m_key);
        ZDT_ClearTrace();
    }
    void cleanup()
    {
        delete m_host;
        m_host = nullptr;
    }

    void theAddMenuOffersSevenKinds()
    {
        QList<int> kinds;
        QStringList texts;
        zdtest::whenPopup([&](QMenu* menu) {
            for (QAction* a : menu->actions()) {
                if (!a->isSeparator()) {
                    kinds << a->data().toInt();
                    texts << a->text();
                }
            }
            menu->close();
        });
        m_list->addButton->click();
        QCOMPARE(kinds, QList<int>({1, 2, 4, 5, 6, 7, 8}));
        QCOMPARE(texts.size(), 7);
        QCOMPARE(texts.at(3), getLang(32006, "Vertical flip"));
        QVERIFY(m_list->rows.isEmpty());
        QVERIFY(filterWrites().isEmpty());
    }

    void aFlipIsAddedAtOnceWithoutEditor()
    {
        zdtest::ModalCounter editors;
        chooseFromAddMenu(*m_list, FILTER_VFLIP);
        QCOMPARE(m_list->rows.size(), 1);
        QMyFilterWidget* row = m_list->rows.first();
        QVERIFY(row->nameLink->staticLabel);
        QCOMPARE(row->nameLink->text(), getLang(32006, "Vertical flip"));
        QCOMPARE(m_chain->filterList.size(), 1);
        const uint32_t id = m_chain->filterList.first().id;
        QCOMPARE(
            filterWrites(),
            QStringList(QString("ZD_AddFilter(pip=,type=5,enabled=1,cmd=vflip,id=%1)").arg(id)));
        // Clicking the name of a flip opens nothing.
        row->btnTipClick();
        QTest::qWait(30);
        QCOMPARE(editors.count, 0);
        QVERIFY(!QFile::exists(m_chain->filePath()));
    }

    void aBlurOpensItsEditorAndEditsLive()
    {
        QString nameWhileOpen;
        QStringList writesWhileOpen;
        zdtest::whenModal<QFilterEditDialog>([&](QFilterEditDialog* dlg) {
            auto* slider = dlg->findChild<QSlider*>("blur_slider");
            QCOMPARE(slider->value(), 50);
            slider->setValue(7);
            // Already in the chain and the engine while the editor is open.
            nameWhileOpen = m_list->rows.first()->nameLink->text();
            writesWhileOpen = filterWrites();
            dlg->close();
        });
        chooseFromAddMenu(*m_list, FILTER_BOXBLUR);
        QCOMPARE(m_list->rows.size(), 1);
        const uint32_t id = m_chain->filterList.first().id;
        QCOMPARE(writesWhileOpen,
                 QStringList()
                     << QString("ZD_AddFilter(pip=,type=1,enabled=1,cmd=boxblur=50,id=%1)").arg(id)
                     << QString("ZD_EditFilter(pip=,id=%1,cmd=boxblur=7)").arg(id));
        QCOMPARE(nameWhileOpen, getLang(32003, "blur") + "(7)");
        QCOMPARE(m_chain->filterList.first().params.radius, 7);

        // Clicking the name opens the editor on the chain's own record.
        ZDT_ClearTrace();
        zdtest::whenModal<QFilterEditDialog>([&](QFilterEditDialog* dlg) {
            QCOMPARE(dlg->item, m_chain->getFilter(id));
            dlg->findChild<QSlider*>("blur_slider")->setValue(9);
            QCOMPARE(m_chain->filterList.first().params.radius, 9);
            dlg->close();
        });
        QTest::mouseClick(m_list->rows.first()->nameLink, Qt::LeftButton);
        QCOMPARE(filterWrites(),
                 QStringList(QString("ZD_EditFilter(pip=,id=%1,cmd=boxblur=9)").arg(id)));
        QVERIFY(!QFile::exists(m_chain->filePath()));
    }

    void tickAndRemove()
    {
        for (uint32_t id : {11u, 12u, 13u})
            QVERIFY(m_chain->addFilter(make(FILTER_HFLIP, id)) >= 0);
        QFiltersWidget list(m_host);
        list.setGeometry(0, 0, 261, 111);
        list.InitAll(m_key, QString());
        QCOMPARE(list.rows.size(), 3);
        ZDT_ClearTrace();

        QMyFilterWidget* middle = list.rows.at(1);
        middle->enableBox->click();
        QCOMPARE(m_chain->getFilter(12)->enabled, 0u);
        QCOMPARE(filterWrites(), QStringList("ZD_EditFilter(pip=,id=12,cmd=enabled=0)"));
        QCOMPARE(list.rows.size(), 3);

        ZDT_ClearTrace();
        const int thirdTop = list.rows.at(2)->y();
        middle->removeButton->click();
        QCOMPARE(filterWrites(), QStringList("ZD_DeleteFilter(pip=,id=12)"));
        QCOMPARE(list.rows.size(), 2);
        QCOMPARE(list.rows.at(1)->filterId, 13u);
        QCOMPARE(list.rows.at(1)->y(), middle->y());
        QVERIFY(list.rows.at(1)->y() < thirdTop);
        QCOMPARE(m_chain->filterList.size(), 2);
        QCOMPARE(m_chain->filterList.at(1).id, 13u);
        QVERIFY(!QFile::exists(m_chain->filePath()));
    }

    void aBoundChainShowsItsRowsAsStored()
    {
        const QList<bool> ticks = {true, false, true, false, true};
        for (int i = 0; i < 5; ++i)
            QVERIFY(m_chain->addFilter(
                        make(i % 2 ? FILTER_BOXBLUR : FILTER_VFLIP, 100 + i, ticks[i])) >= 0);
        ZDT_ClearTrace();
        QFiltersWidget list(m_host);
        list.resize(261, 111);
        list.InitAll(m_key, QString());
        QCOMPARE(list.rows.size(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(list.rows.at(i)->filterId, uint32_t(100 + i));
            QCOMPARE(list.rows.at(i)->enableBox->isChecked(), ticks[i]);
            QCOMPARE(list.rows.at(i)->y(), 20 * i);
        }
        QVERIFY(filterWrites().isEmpty());
    }

    void savedOnlyWhenAsked()
    {
        QVERIFY(m_chain->addFilter(make(FILTER_HFLIP, 21)) >= 0);
        QVERIFY(!QFile::exists(m_chain->filePath()));
        m_list->SaveFilters();
        QFile file(m_chain->filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.size(), qint64(4 + sizeof(FILTERITEM)));
    }

    void disabledPanelGreysItsControls()
    {
        m_list->setEnabled(false);
        QVERIFY(!m_list->addButton->isEnabled());
        QVERIFY(!m_list->caption->isEnabled());
        QVERIFY(!m_list->isEnabled());
        m_list->setEnabled(true);
        QVERIFY(m_list->addButton->isEnabled());
        QVERIFY(m_list->caption->isEnabled());
    }

    // A filter the engine refuses on adding is neither applied nor kept in
    // the chain, but its row stays, unticked, and the user is told once; it
    // opens no editor, and ticking it cannot switch it on.
    void aRefusedFilterKeepsItsRowUnticked()
    {
        QStringList told;
        MsgBoxDialog::setTestHook([&told](const QString& text, int) {
            told << text;
            return 1;
        });
        ZDT_ScriptResult("ZD_AddFilter", 0);
        zdtest::ModalCounter editors;
        chooseFromAddMenu(*m_list, FILTER_COLORSTYLE);
        QTest::qWait(30);
        ZDT_ClearScript("ZD_AddFilter");
        QCOMPARE(m_list->rows.size(), 1);
        QMyFilterWidget* row = m_list->rows.first();
        QVERIFY(!row->enableBox->isChecked());
        QVERIFY(m_chain->filterList.isEmpty());
        QCOMPARE(editors.count, 0);
        QVERIFY(zdtest::engineLog().contains("add filter failed. lutyuv=y=val:u=val:v=val"));
        QCOMPARE(told, QStringList("The filter \"" + row->nameLink->text() +
                                   "\" cannot be applied to this picture; it stays in the "
                                   "list, switched off."));

        row->enableBox->click();
        QVERIFY(!row->enableBox->isChecked());
        QCOMPARE(told.size(), 1);
        // Removing it removes the row.
        row->removeButton->click();
        QVERIFY(m_list->rows.isEmpty());
        MsgBoxDialog::setTestHook({});
    }

    // Switching on or editing a filter that the engine then refuses leaves
    // the row unticked and the filter off, told once for the row.
    void refusedSwitchAndEditUntickTheRow()
    {
        QStringList told;
        MsgBoxDialog::setTestHook([&told](const QString& text, int) {
            told << text;
            return 1;
        });
        QVERIFY(m_chain->addFilter(make(FILTER_BOXBLUR, 31, false)) >= 0);
        QFiltersWidget list(m_host);
        list.resize(261, 111);
        list.InitAll(m_key, QString());
        QMyFilterWidget* row = list.rows.first();
        QVERIFY(!row->enableBox->isChecked());

        ZDT_ScriptResult("ZD_EditFilter", 0);
        row->enableBox->click();
        QVERIFY(!row->enableBox->isChecked());
        QCOMPARE(m_chain->getFilter(31)->enabled, 0u);
        QCOMPARE(told.size(), 1);
        ZDT_ClearScript("ZD_EditFilter");

        // Taken now: on.
        row->enableBox->click();
        QVERIFY(row->enableBox->isChecked());
        QCOMPARE(m_chain->getFilter(31)->enabled, 1u);

        // An edit the engine refuses switches it off again, told no more.
        ZDT_ScriptResult("ZD_EditFilter", 0);
        FILTERITEM edited = *m_chain->getFilter(31);
        edited.params.radius = 12;
        UpdateFilterDataText(&edited);
        list.EditFilterByFilterDlg(row, &edited);
        ZDT_ClearScript("ZD_EditFilter");
        QVERIFY(!row->enableBox->isChecked());
        QCOMPARE(m_chain->getFilter(31)->enabled, 0u);
        QCOMPARE(told.size(), 1);
        MsgBoxDialog::setTestHook({});
    }
};

ZD_TEST_MAIN(TestQFiltersWidget, QApplication)
#include "tst_qfilterswidget.moc"
