// The committed measurement-rate tables and arrival differences are exactly what
// ResponseTables::build() and arrivalDifference() compute, and the default sets and the
// measurement rate's tables use them (the same grid gives the same filters).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "response_sets.h"
#include "response_tables.h"

namespace panner {

TEST(ResponseTableData, CommittedTablesAreWhatTheBuildComputes) {
  const auto sets = std::make_unique<ResponseSets>(ResponseSets::Arrivals::kMeasured);
  // The default sets carry the committed arrival differences: the measured ones.
  const auto committedSets = std::make_unique<ResponseSets>();
  for (int s = 0; s < 2; ++s)
    for (int row = 0; row < sets->set(s).count; ++row)
      for (int ear = 0; ear < 2; ++ear)
        EXPECT_EQ(committedSets->set(s).entries[row].delayToNext[ear],
                  sets->set(s).entries[row].delayToNext[ear])
            << "set " << s << ", row " << row << ", ear " << ear;
  const auto committed = ResponseTables::create(*sets, ResponseSets::kMeasurementRate);
  const auto computed = ResponseTables::build(*sets, ResponseSets::kMeasurementRate);
  ASSERT_TRUE(committed && computed);
  EXPECT_EQ(committed->grid(), response_data::kMeasurementRateGrid);
  EXPECT_EQ(committed->partitions(), computed->partitions());
  EXPECT_EQ(committed->responseLength(), computed->responseLength());
  EXPECT_EQ(committed->droppedEnergy(), computed->droppedEnergy());
  ASSERT_EQ(committed->gridValues(), computed->gridValues());
  size_t differing = 0;
  for (size_t i = 0; i < computed->gridValues(); ++i)
    differing += std::memcmp(&committed->grid()[i], &computed->grid()[i], sizeof(float)) != 0;
  EXPECT_EQ(differing, 0u) << "dsp/response_table_data.cpp differs from what the tables build; "
                           << "rewrite it with the regenerate-response-tables target";
}

}  // namespace panner
