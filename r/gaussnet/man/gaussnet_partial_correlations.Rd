\name{gaussnet_partial_correlations}
\alias{gaussnet_partial_correlations}
\title{Partial correlations given all other variables}
\description{
The partial correlation of every pair of variables given all the others,
read off the inverse of the covariance matrix: the same inverse the EE run
uses, so an EE run's edges carry exactly these values.
}
\usage{gaussnet_partial_correlations(data, threads = NULL, correlation = "pearson", missing = "error")}
\arguments{
  \item{data}{as for \code{\link{gaussnet_learn}}, with more cases than
    variables.}
  \item{threads}{how many threads compute; \code{NULL}: the available cores.}
  \item{correlation, missing}{as for \code{\link{gaussnet_learn}}: the matrix
    inverted is the one EE learns from.}
}
\value{A symmetric numeric matrix with 1 on the diagonal and the variable
names as dimnames.}
\examples{
sim <- gaussnet_simulate(10, 500, seed = 3)
round(gaussnet_partial_correlations(sim$data)[1:3, 1:3], 3)
}
