// How long the generator takes per picture role and per model: the whole
// run happens on every build, so it has to stay at a second or two.
#include <benchmark/benchmark.h>

#include "tools/gen_content/iff_write.h"
#include "tools/gen_content/models.h"
#include "tools/gen_content/pictures.h"

namespace {

void BM_Picture(benchmark::State& state) {
  PictureRole role = static_cast<PictureRole>(state.range(0));
  state.SetLabel(picture_role_name(role));
  for (auto _ : state) {
    Picture p = make_picture(role);
    std::vector<uint8_t> file = picture_is_planar(role) ? iff_write_ilbm(p) : iff_write_pbm(p);
    benchmark::DoNotOptimize(file.data());
  }
}
BENCHMARK(BM_Picture)->DenseRange(0, PIC_COUNT - 1)->Unit(benchmark::kMillisecond);

void BM_Model(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<uint8_t> data = model_object_data(static_cast<ModelId>(state.range(0)));
    benchmark::DoNotOptimize(data.data());
  }
}
BENCHMARK(BM_Model)->DenseRange(0, MODEL_COUNT - 1)->Unit(benchmark::kMillisecond);

}  // namespace
