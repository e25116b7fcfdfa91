// SPDX-License-Identifier: MIT
#include "trvPoseCommand.h"

#include <CtrvGeometry.h>
#include <CtrvMat4.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace trvApp {

namespace {

struct PoseOptions {
  std::vector<double> translation;
  std::vector<double> angles;
  std::vector<double> matrix;
  bool degrees = false;
};

// Tiny values print as 0, not as "-0.000000".
double tidy(double value) { return std::fabs(value) < 5e-7 ? 0.0 : value; }

void printRow(const char* label, const double* values, int count) {
  std::printf("%s", label);
  for (int k = 0; k < count; ++k) std::printf(" %12.6f", tidy(values[k]));
  std::printf("\n");
}

double toRadians(double angle, bool degrees) {
  return degrees ? CtrvGeometry::degreesToRadian(angle) : angle;
}

double fromRadians(double angle, bool degrees) {
  return degrees ? CtrvGeometry::radianToDegrees(angle) : angle;
}

void poseToMatrix(const PoseOptions& options) {
  std::vector<double> t = options.translation, a = options.angles;
  t.resize(3, 0.0);
  a.resize(3, 0.0);
  CtrvMat4 m;
  CtrvGeometry::bryantToMatrix(t[0], t[1], t[2], toRadians(a[0], options.degrees),
                               toRadians(a[1], options.degrees), toRadians(a[2], options.degrees),
                               m);
  for (int i = 0; i < 4; ++i) {
    const double row[] = {m(i, 0), m(i, 1), m(i, 2), m(i, 3)};
    printRow("", row, 4);
  }
}

void matrixToPose(const PoseOptions& options) {
  CtrvMat4 m;
  for (int k = 0; k < 16; ++k) m(k / 4, k % 4) = options.matrix[k];
  if (!m.isTransRot()) {
    std::fprintf(stderr,
                 "trv: warning: the matrix is not a rigid transform; the angles read "
                 "its rotation block as if it were one\n");
  }
  std::vector<double> pose;
  CtrvGeometry::matrixToBryant(m, pose);
  for (int k = 3; k < 6; ++k) pose[k] = fromRadians(pose[k], options.degrees);
  printRow("translation", pose.data(), 3);
  printRow(options.degrees ? "angles (deg)" : "angles (rad)", pose.data() + 3, 3);
}

int runPose(const CLI::App& pose, const PoseOptions& options) {
  const bool fromPose = !options.translation.empty() || !options.angles.empty();
  if (!fromPose && options.matrix.empty()) {
    return usageError(pose, "give --translation and/or --angles, or --matrix");
  }
  fromPose ? poseToMatrix(options) : matrixToPose(options);
  return EXIT_OK;
}

}  // namespace

void addPoseCommand(CLI::App& program, Commands& commands) {
  CLI::App* pose = program.add_subcommand(
      "pose", "Convert a pose between translation + Bryant angles and a 4x4 matrix");
  auto options = std::make_shared<PoseOptions>();
  CLI::Option* translation = addNumberOption(*pose, "--translation", options->translation,
                                             finiteNumber(), "Translation X Y Z")
                                 ->type_name("NUMBER")
                                 ->expected(3);
  CLI::Option* angles =
      addNumberOption(*pose, "--angles", options->angles, finiteNumber(),
                      "Bryant angles ALPHA BETA GAMMA: about x, then the new y, then the new z")
          ->type_name("NUMBER")
          ->expected(3);
  addNumberOption(*pose, "--matrix", options->matrix, finiteNumber(),
                  "The 16 elements of a 4x4 matrix, row by row")
      ->type_name("NUMBER")
      ->expected(16)
      ->excludes(translation)
      ->excludes(angles);
  pose->add_flag("--degrees", options->degrees, "Angles in degrees (default: radians)");
  commands.push_back({pose, [pose, options] { return runPose(*pose, *options); }});
}

}  // namespace trvApp
