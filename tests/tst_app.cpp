#include "app/ErrorReport.h"
#include "support/ScriptedUi.h"

#include <QtTest>

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void reportTextIsExact();
};

void TestApp::reportTextIsExact() {
    QCOMPARE(ReportErrorText("Type mismatch", "in Palavine2021/08/31.Form1.Form_Load ", 140),
             QString("Type mismatch\r\nin Palavine2021/08/31.Form1.Form_Load at line 140\r\r"
                     "Please email screenshot of this message to support@palavine.example"));
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
