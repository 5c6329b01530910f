// Tagged vehicle records of the older versions, written as the older
// program's files hold them, for the reader's tests and fuzz seeds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

// Words of the record of each version 0..3.
constexpr int kTaggedVehicleWords[4] = {35, 45, 54, 59};

// Writes the 8-byte header (an unused word, the version), the record's words,
// the part presence words (six, twelve from version 2 on; all 0: no part
// blocks), the auxiliary count and values, and the closing unused word.
void WriteTaggedVehicle(FILE* f, int32_t version, const std::vector<uint32_t>& words,
                        const std::vector<float>& aux);
