#pragma once
// Opening the receiver port from the window, as the port tests do it.
#include <QComboBox>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "ui/Form.h"

namespace vantrel::testing {

// The queries an open writes to the receiver, in order.
inline const std::vector<std::string> kOpenQueries = {
    "$PQOL414*33\r\n", "$PQOL400*36\r\n", "$PQOL602*36\r\n", "$PQOL401*37\r\n",
    "$PQOL419*3E\r\n", "$PQOL490*3F\r\n", "$PQOL430*35\r\n"};

// Opens `path` with the monitor on screen and waits until the stream shows
// in it.
inline ::testing::AssertionResult OpenAndWatchTheStream(TMainForm& form, const std::string& path) {
  form.PageControl1->setCurrentWidget(form.TabSetup);
  form.show();
  form.CmbCom->setEditText(QString::fromStdString(path));
  form.BtnOpenClick();
  if (!form.PortOpen()) return ::testing::AssertionFailure() << path << " did not open";
  if (!QTest::qWaitFor([&] { return form.MemoNMEA->toPlainText().contains("$GPGGA"); }))
    return ::testing::AssertionFailure() << "no $GPGGA from " << path << " reached the monitor";
  return ::testing::AssertionSuccess();
}

}  // namespace vantrel::testing
