// tundrix-gen-content OUT_DIR [--preview DIR]
// Writes OUT_DIR/pictures_gen.cpp and OUT_DIR/models_gen.cpp, the byte
// arrays of every picture role and model. With --preview, also writes each
// picture as DIR/ROLE.ppm (its palette applied) to look at while drawing.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/content.h"
#include "data/picture_role_names.h"
#include "tools/gen_content/iff_write.h"
#include "tools/gen_content/models.h"
#include "tools/gen_content/pictures.h"

namespace {

bool write_ppm(const std::string& path, const Picture& p) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n63\n", p.width, p.height);
  for (uint8_t v : p.pixels) std::fwrite(&p.palette[v * 3], 1, 3, f);
  return std::fclose(f) == 0;
}

// Writes the arrays and the table `table` of Blobs indexed by enum value.
bool write_source(const std::string& path, const char* table, const char* count,
                  const std::vector<std::vector<uint8_t>>& blobs) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "// Written by tundrix-gen-content; do not edit.\n#include \"data/embedded.h\"\n\nnamespace {\n");
  for (size_t i = 0; i < blobs.size(); i++) {
    std::fprintf(f, "const uint8_t kBlob%zu[%zu] = {", i, blobs[i].size());
    for (size_t k = 0; k < blobs[i].size(); k++) std::fprintf(f, "%s%u,", k % 24 ? "" : "\n", blobs[i][k]);
    std::fprintf(f, "\n};\n");
  }
  std::fprintf(f, "}  // namespace\n\nconst Blob %s[%s] = {\n", table, count);
  for (size_t i = 0; i < blobs.size(); i++) std::fprintf(f, "    {kBlob%zu, sizeof kBlob%zu},\n", i, i);
  std::fprintf(f, "};\n");
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 4 && !std::strcmp(argv[2], "--preview"))) {
    std::fprintf(stderr, "usage: tundrix-gen-content OUT_DIR [--preview DIR]\n");
    return 2;
  }
  std::string out = argv[1];
  const char* preview = argc == 4 ? argv[3] : nullptr;
  std::vector<std::vector<uint8_t>> pictures;
  for (int r = 0; r < PIC_COUNT; r++) {
    PictureRole role = static_cast<PictureRole>(r);
    Picture p = make_picture(role);
    pictures.push_back(picture_is_planar(role) ? iff_write_ilbm(p) : iff_write_pbm(p));
    if (preview && !write_ppm(std::string(preview) + "/" + kPictureRoleNames[r] + ".ppm", p)) {
      std::fprintf(stderr, "tundrix-gen-content: cannot write the preview of %s\n", kPictureRoleNames[r]);
      return 1;
    }
  }
  std::vector<std::vector<uint8_t>> models;
  for (int m = 0; m < MODEL_COUNT; m++) models.push_back(model_object_data(static_cast<ModelId>(m)));
  if (!write_source(out + "/pictures_gen.cpp", "kPictureBlobs", "PIC_COUNT", pictures) ||
      !write_source(out + "/models_gen.cpp", "kModelBlobs", "MODEL_COUNT", models)) {
    std::fprintf(stderr, "tundrix-gen-content: cannot write into %s\n", out.c_str());
    return 1;
  }
  return 0;
}
