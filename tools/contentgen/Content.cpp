#include "Content.h"

#include "Art.h"
#include "platform/sdl/BitmapFile.h"

#include <stdexcept>

namespace ruzoz::contentgen {

namespace {

std::vector<Asset> BuildAssets() {
  std::vector<Asset> a;
  auto sprite = [&a](std::string name, std::function<Bitmap()> make) {
    a.push_back({std::move(name), 32, 32, false, std::move(make)});
  };
  for (int i = 1; i <= 4; ++i)
    sprite("Explosion" + std::to_string(i) + ".bmp", [i] { return MakeExplosion(i); });
  sprite("Kugel.bmp", MakeKugel);
  for (int i = 1; i <= 8; ++i)
    sprite("Alien" + std::to_string(i) + ".bmp", [i] { return MakeAlien(i); });
  a.push_back({"Leer.bmp", 32, 32, true, MakeLeer});
  for (int i = 1; i <= 3; ++i)
    sprite("Asteroid" + std::to_string(i) + ".bmp", [i] { return MakeAsteroid(i); });
  sprite("Meteorit.bmp", MakeMeteorit);
  a.push_back({"Lava.bmp", 32, 32, true, MakeLava});
  sprite("Munition.bmp", MakeMunition);
  sprite("Schild.bmp", MakeSchild);
  a.push_back({"Hintergrund.bmp", 640, 480, true, MakeHintergrund});
  a.push_back({"Zeichensatz.bmp", 512, 48, false, MakeZeichensatz});
  for (int i = 1; i <= 16; ++i)
    sprite("Schiff" + std::to_string(i) + ".bmp", [i] { return MakeSchiff(i - 1); });
  a.push_back({"titelbild.bmp", 640, 480, true, MakeTitelbild});
  return a;
}

void Save(const Bitmap &image, const std::filesystem::path &path) {
  platform::RgbImage file{image.Width(), image.Height(), {}};
  file.rgb.reserve(static_cast<std::size_t>(file.width) * file.height * 3);
  for (int y = 0; y < file.height; ++y)
    for (int x = 0; x < file.width; ++x) {
      const Rgb c = image.At(x, y);
      file.rgb.insert(file.rgb.end(), {c.r, c.g, c.b});
    }
  std::string error;
  if (!platform::SaveBmp(path.c_str(), file, &error))
    throw std::runtime_error("cannot write " + path.string() + ": " + error);
}

} // namespace

const std::vector<Asset> &Assets() {
  static const std::vector<Asset> assets = BuildAssets();
  return assets;
}

void WriteAll(const std::filesystem::path &directory) {
  std::error_code ec;
  std::filesystem::create_directories(directory, ec);
  if (ec)
    throw std::runtime_error("cannot create " + directory.string() + ": " + ec.message());
  for (const Asset &asset : Assets()) {
    Bitmap image = asset.make();
    if (image.Width() != asset.width || image.Height() != asset.height)
      throw std::logic_error(asset.fileName + " has the wrong size");
    Save(image, directory / asset.fileName);
  }
}

} // namespace ruzoz::contentgen
