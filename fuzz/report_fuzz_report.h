// A bare report for the report engine's fuzz targets.
#pragma once

#include "report/fr_data_dictionary.h"
#include "report/fr_engine.h"
#include "report/fr_pages.h"

class TFuzzReport : public TfrReportBase {
  MEBRATH_CLASS(TFuzzReport, TfrReportBase)
 public:
  TfrPages& Pages() override { return FPages; }
  TfrEMFPages& EMFPages() override { return FEMFPages; }
  TfrDataDictionary& Dictionary() override { return FDictionary; }

 protected:
  explicit TFuzzReport(TComponent* owner) : TfrReportBase(owner), FPages(*this), FEMFPages(*this) {}

 private:
  TfrPages FPages;
  TfrEMFPages FEMFPages;
  TfrDataDictionary FDictionary;
};
