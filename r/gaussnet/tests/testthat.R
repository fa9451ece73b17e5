library(testthat)
library(gaussnet)

test_check("gaussnet")
