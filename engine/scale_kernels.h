// Row kernels for shrinking 8-bit sample planes by the ratios a window meets
// most: 3:2 (1920 -> 1280, 1080 -> 720), 2:1 and 3:1 (3840 -> 1280). At these
// ratios every output sample blends a fixed pattern of inputs, so the filter
// needs no per-sample positions and vectorises with shuffles instead of the
// per-sample gather a general-ratio scaler pays for.
//
// Filters: 3:2 is bilinear with centres aligned, output x sampling input
// 1.5x + 0.25, which gives the weights 3/4, 1/4 and 1/4, 3/4 on each triple;
// 2:1 and 3:1 are box filters (bilinear at an integer ratio would land on
// single input samples, point sampling in disguise). A plane is shrunk
// vertically first, into one row, then horizontally: that runs the
// horizontal pass, the costlier one, over the fewer rows.
//
// Every kernel exists as a plain C++ reference and, where the processor has
// them, as SSSE3 and AVX2 versions that give the same bytes; the best set is
// chosen once at run time, so the binary runs on any x86-64.
#pragma once

#include <cstdint>
#include <optional>

namespace corvane::scale {

enum class Ratio : uint8_t { k1to1, k3to2, k2to1, k3to1 };

// The ratio class of shrinking src samples to dst, when it is one of the
// four exactly.
std::optional<Ratio> RatioFor(int src, int dst);

// How many input samples n output samples of ratio r read.
int SourceSpan(Ratio r, int n);

// Horizontal: dw output samples from SourceSpan(r, dw) input samples.
using HRowFn = void (*)(const uint8_t* src, uint8_t* dst, int dw);
// Vertical: n samples of one output row from two or three input rows.
using V2RowFn = void (*)(const uint8_t* a, const uint8_t* b, uint8_t* dst, int n);
using V3RowFn = void (*)(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* dst, int n);

struct Kernels {
  const char* name;
  HRowFn h3to2;  // pairs from triples: (3a+b+2)>>2, (b+3c+2)>>2
  HRowFn h2to1;  // (a+b+1)>>1
  HRowFn h3to1;  // (a+b+c+1)/3
  V2RowFn v3and1;  // (3a+b+2)>>2
  V2RowFn vAvg2;   // (a+b+1)>>1
  V3RowFn vAvg3;   // (a+b+c+1)/3
};

// The plain C++ routines: the definition the others are held to.
const Kernels& ReferenceKernels();
// Null when this processor lacks the instruction set.
const Kernels* Ssse3Kernels();
const Kernels* Avx2Kernels();
// The fastest set this processor runs (chosen once).
const Kernels& BestKernels();

// The input rows output row y of ratio r blends: rows first .. first+count-1.
struct VTaps {
  int first;
  int count;
};
VTaps VerticalTaps(Ratio r, int y);

// Output row y of ratio r, n samples wide, from its input rows (rows[i] is
// input row VerticalTaps(r, y).first + i). Returns rows[0] itself for 1:1,
// otherwise tmp, which it wrote.
const uint8_t* VerticalRow(const Kernels& k, Ratio r, int y, const uint8_t* const rows[3], uint8_t* tmp, int n);

// dw output samples of ratio r from src. Returns src itself for 1:1,
// otherwise dst, which it wrote.
const uint8_t* HorizontalRow(const Kernels& k, Ratio r, const uint8_t* src, uint8_t* dst, int dw);

}  // namespace corvane::scale
