#include "core/work_counts.hpp"

namespace tarnavel {

std::string WorkLine(const WorkCounts& c) {
  return " steps= " + std::to_string(c.steps) + " rejected= " + std::to_string(c.rejected) +
         " DERIVS= " + std::to_string(c.derivs) + " Jacobians= " + std::to_string(c.jacobians) +
         " factorisations= " + std::to_string(c.factorisations);
}

}  // namespace tarnavel
