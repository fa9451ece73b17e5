# Uses that used to give a wrong result without a word: a named truth in
# another order, missed edges in the learned graph, a file's row index learned
# as a variable; and read_net, the truth as a file.

sim <- gaussnet_simulate(8, 300, seed = 11)
reference <- gaussnet_learn(sim$data, learners = "IAMB2", truth = sim$truth)$IAMB2

test_that("a named truth is aligned to the data's names", {
  shuffled <- sim$truth[8:1, c(4:8, 1:3)]
  expect_identical(gaussnet_learn(sim$data, learners = "IAMB2", truth = shuffled)$IAMB2$scores, reference$scores)
  unnamed <- unname(sim$truth)
  expect_identical(gaussnet_learn(sim$data, learners = "IAMB2", truth = unnamed)$IAMB2$scores, reference$scores)
  renamed <- sim$truth
  rownames(renamed)[8] <- "zzz"
  expect_error(gaussnet_learn(sim$data, truth = renamed), "row 8 is named \"zzz\", which is no variable",
               class = "gaussnet_input_error")
})

test_that("a row index left in as the first column draws a warning", {
  with_index <- cbind(X = seq_len(300), sim$data)
  expect_warning(gaussnet_learn(with_index, learners = "IAMB2"), "column 'X' holds the case numbers 1 to 300.*row.names = 1",
                 class = "gaussnet_warning")
})

test_that("read_net reads a net.txt file with the data's names, and a path serves as truth", {
  path <- tempfile()
  writeLines(apply(sim$truth, 1, paste, collapse = ""), path)
  read <- read_net(path, sim$data)
  expect_identical(dimnames(read), list(names(sim$data), names(sim$data)))
  expect_equal(unname(read), unname(sim$truth))
  expect_identical(gaussnet_learn(sim$data, learners = "IAMB2", truth = path)$IAMB2$scores, reference$scores)
  writeLines(c("01000000", "0"), path)
  expect_error(read_net(path, sim$data), "ends before row 2 is complete", class = "gaussnet_input_error")
  expect_error(read_net(file.path(tempdir(), "no-such-net.txt"), 8), "Cannot open", class = "gaussnet_input_error")
})

test_that("as_igraph holds the learned edges, node data and consensus weights", {
  skip_if_not_installed("igraph")
  graph <- as_igraph(reference)
  learned <- sum(reference$edges$status != "fn")
  expect_equal(igraph::ecount(graph), learned)
  expect_equal(igraph::ecount(as_igraph(reference, include_missed = TRUE)), nrow(reference$edges))
  expect_equal(unname(igraph::degree(graph)), unname(rowSums(reference$adjacency)))
  expect_equal(igraph::V(graph)$blanket_size, unname(lengths(reference$blankets)))
  boot <- gaussnet_bootstrap(sim$data, resamples = 10, truth = sim$truth, threads = 2)
  weights <- igraph::E(as_igraph(boot$consensus))$weight
  expect_true(length(weights) > 0 && all(weights >= boot$threshold))
})
