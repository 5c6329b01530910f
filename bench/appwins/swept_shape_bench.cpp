// The swept-shape dialog's work: the revolution preview it recomputes on every
// click (500 points, 2048 segments) and the volume-of-revolution Geo built
// from it (500 points, 512 segments).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "appwins/geo_shapes.h"
#include "geo/geo_object.h"
#include "geo/geo_list_services.h"

namespace {

// A wavy profile of n points from the bottom of an 800 x 600 canvas to its top.
std::vector<float> profilePoints(int n) {
  std::vector<float> pts(3 * (n + 1), 0.0f);
  for (int p = 1; p <= n; ++p) {
    pts[3 * p] = 450.0f + 80.0f * std::sin(0.05f * float(p));
    pts[3 * p + 1] = 580.0f - 560.0f * float(p - 1) / float(n - 1);
  }
  return pts;
}

GVSweptProfile profileOf(const std::vector<float>& pts, int n, int segments) {
  GVSweptProfile pr;
  pr.points = pts.data();
  pr.count = n;
  pr.segments = segments;
  pr.width = 800, pr.height = 600;
  pr.scale = 140.0f;
  return pr;
}

void BM_RevolutionPreview(benchmark::State& state) {
  const std::vector<float> pts = profilePoints(500);
  const GVSweptProfile pr = profileOf(pts, 500, 2048);
  GVRevolution rev;
  GVComputeRevolution(pr, &rev);  // the arrays grown once, as after the first click
  for (auto _ : state) {
    GVComputeRevolution(pr, &rev);
    benchmark::DoNotOptimize(rev.vertices.data());
  }
}
BENCHMARK(BM_RevolutionPreview)->Unit(benchmark::kMillisecond);

void BM_RevolutionBuild(benchmark::State& state) {
  const std::vector<float> pts = profilePoints(500);
  const GVSweptProfile pr = profileOf(pts, 500, 512);
  GVRevolution rev;
  GVComputeRevolution(pr, &rev);
  for (auto _ : state) {
    ObjHandle* cell = GVBuildRevolutionGeo("Vase", 1, pr, rev);
    benchmark::DoNotOptimize(cell);
    delete GVGeoOf(cell);
    delete cell;
  }
}
BENCHMARK(BM_RevolutionBuild)->Unit(benchmark::kMillisecond);

}  // namespace
