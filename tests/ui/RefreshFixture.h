#pragma once
// A window with fake seams and a receiver record to refresh it from: what
// the tests of the status labels, the channel grid, the monitor, the SNR
// chart and the sky view start with.
#include <QColor>
#include <QLabel>
#include <QPalette>
#include <QString>
#include <QTableWidget>
#include <gtest/gtest.h>

#include "tests/ui/FakeSeams.h"
#include "ui/Chart.h"

namespace vantrel::testing {

// The colours the window must show, written out rather than taken from its
// palette, so that a wrong palette entry fails.
inline constexpr QColor kBlue(0, 0, 255), kRed(255, 0, 0), kWhite(255, 255, 255), kPurple(128, 0, 128),
    kSkyBlue(166, 202, 240), kYellow(255, 255, 0), kBlack(0, 0, 0);

class RefreshFixture : public ::testing::Test {
 protected:
  FakeSeams seams;
  TMainForm form{seams.Services()};
  ReceiverRecord record;

  QString Cell(int row, int column) { return form.StringGrid1->item(row, column)->text(); }
  QColor FixColour() { return form.LabelFix->palette().color(QPalette::WindowText); }
  void AddSat(int prn, int snr, int elevation, int azimuth, int used = 0) {
    record.SatsInView[record.SatsInViewCount++] = {prn, snr, elevation, azimuth, used != 0};
  }
  void AddBars(int n) {
    form.ChartSNR->Clear();
    for (int i = 0; i < n; ++i) form.ChartSNR->AddBar(i, 30, QString::number(i), kBlue);
  }
};

}  // namespace vantrel::testing
