// The committed measurement-rate tables and arrival differences are exactly what
// ResponseTables::build() and arrivalDifference() compute, and the default sets and the
// measurement rate's tables use them.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

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

  // Read through the interface, both sets, both halves of the circle, between grid points.
  const int size = committed->partitions() * engine::kFftSize;
  std::vector<float> a0(size), a1(size), b0(size), b1(size);
  for (int s = 0; s < 2; ++s) {
    for (float angle : {0.0f, 37.25f, 90.0f, 179.5f, 180.0f, 251.75f, 359.9f}) {
      committed->buildFilterSpectra(sets->set(s), angle, a0.data(), a1.data());
      computed->buildFilterSpectra(sets->set(s), angle, b0.data(), b1.data());
      EXPECT_EQ(a0, b0) << "set " << s << ", " << angle << " degrees";
      EXPECT_EQ(a1, b1) << "set " << s << ", " << angle << " degrees";
    }
  }
}

}  // namespace panner
