# forbid and require: every learner leaves the forbidden pair unjoined and
# joins the required one; a data frame and a list of pairs mean the same.

test_that("known pairs reach every learner and the bootstrap", {
  sim <- gaussnet_simulate(12, 400, seed = 3)
  plain <- gaussnet_learn(sim$data)
  joined_in <- function(runs, a, b) vapply(runs, function(run) run$adjacency[a, b], logical(1))
  pairs <- t(combn(colnames(sim$data), 2))
  all_join <- apply(pairs, 1, function(p) all(joined_in(plain, p[1], p[2])))
  none_join <- apply(pairs, 1, function(p) !any(joined_in(plain, p[1], p[2])))
  forbidden <- pairs[which(all_join)[1], ]
  required <- pairs[which(none_join)[1], ]

  runs <- gaussnet_learn(sim$data, forbid = list(forbidden), require = data.frame(a = required[1], b = required[2]))
  again <- gaussnet_learn(sim$data, forbid = matrix(forbidden, 1), require = list(required), threads = 2)
  expect_equal(lapply(runs, `[[`, "blankets"), lapply(again, `[[`, "blankets"))
  runs$local <- gaussnet_local(sim$data, required[1], 2, forbid = list(forbidden), require = list(required))
  runs$boot <- gaussnet_bootstrap(sim$data, resamples = 3, forbid = list(forbidden), require = list(required))$consensus
  expect_false(any(joined_in(runs, forbidden[1], forbidden[2])))
  expect_true(all(joined_in(runs, required[1], required[2])))
})
