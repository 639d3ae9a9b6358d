#pragma once
// The profile and radiation tables of the model store: the values of every
// species held or fed by a profile, and the radiation intensities, as the
// profile reader stores them.

#include <vector>

namespace tarnavel {

inline constexpr int kSmallProfiles = 25;          // profiles in the small store
inline constexpr int kSmallProfilePoints = 510;    // values of a small-store profile
inline constexpr int kLargeProfiles = 5;           // profiles in the large store
inline constexpr int kLargeProfilePoints = 20000;  // values of a large-store profile
inline constexpr int kRadiationPoints = 32699;     // values of the radiation table

// A species held by a number: two equal values 10 s apart.
inline constexpr double kConstantProfileInterval = 10.0;

struct ProfileStore {
  // Small store: value i of slot k at small[(k - 1) * kSmallProfilePoints + i - 1].
  std::vector<double> small;
  // Large store, interleaved by profile: value i of slot k at
  // large[(i - 1) * kLargeProfiles + k - 1].
  std::vector<float> large;
  int shortct = 0;  // SHORTCT: small-store profiles in use
  int longct = 0;   // LONGCT: large-store profiles in use

  std::vector<float> radiation;    // radiation[i - 1] is entry i
  int hv_count = 0;                // entries of the radiation table
  double hv_period = 0.0;          // hv_count x HVDT
  float hv_constant = 1.0f;        // intensity when there is no radiation file
  bool hv_file = false;            // a radiation file is in use

  double smallest_interval = 1.0e20;  // smallest profile interval and HVDT
};

}  // namespace tarnavel
