# summary() and as.data.frame() give the program's tables from each kind of
score_names_in_tests <- c("var_tpr", "var_fdr", "var_fdr2", "edge_tpr", "edge_fdr", "edge_fdr2")
# result: a summary row per run with the results table's columns, the edges
# or the strength rows as data frames.

sim <- gaussnet_simulate(12, 400, seed = 5)
runs <- gaussnet_learn(sim$data, truth = sim$truth, threads = 1)
boot <- gaussnet_bootstrap(sim$data, "IAMB2", resamples = 8, seed = 3, truth = sim$truth, threads = 1)

test_that("summaries have one row a run with its counts and rates", {
  cases <- list(list(what = "a comparison", got = summary(runs), runs = unclass(runs)),
                list(what = "one run", got = summary(runs$IAMB2), runs = list(runs$IAMB2)),
                list(what = "a bootstrap", got = summary(boot), runs = list(boot$consensus)))
  for (case in cases) {
    expect_identical(case$got$learner, vapply(unname(case$runs), `[[`, "", "learner"), label = case$what)
    expect_identical(case$got$learned_edges, vapply(unname(case$runs), function(r) sum(r$adjacency) %/% 2, 0),
                     label = case$what)
    expect_identical(unname(as.matrix(case$got[score_names_in_tests])),
                     unname(do.call(rbind, lapply(case$runs, `[[`, "scores"))), label = case$what)
  }
  expect_identical(summary(boot)[c("bootstrap", "finished", "failed")],
                   data.frame(bootstrap = 8L, finished = boot$finished, failed = boot$failed))
})

test_that("as.data.frame gives the edges and the strength rows", {
  expect_identical(as.data.frame(runs$EE), runs$EE$edges)
  expect_identical(as.data.frame(boot), boot$strength)
  edges <- as.data.frame(runs)
  expect_identical(edges$learner, rep(names(runs), vapply(unclass(runs), function(r) nrow(r$edges), 0L)))
  expect_identical(edges[edges$learner == "IAMB1", -1], `rownames<-`(runs$IAMB1$edges,
                                                                     which(edges$learner == "IAMB1")))
})

test_that("a comparison stays a named list of runs", {
  expect_identical(names(runs), c("EE", "IAMB2", "IAMB1"))
  expect_s3_class(runs$IAMB2, "gaussnet_run")
  expect_output(print(runs), "gaussnet IAMB1 run")
})
