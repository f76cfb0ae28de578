#include "services/host/replacement_problem.h"

#include <utility>

#include "services/host/host.h"

namespace {

// The reason last noted.
struct ReplacementProblem {
    std::string reason;
};

ReplacementProblem problem;

} // namespace

void noteReplacementProblem(std::string reason) {
    problem.reason = std::move(reason);
}

std::string hostReplacementProblem() {
    return problem.reason;
}
