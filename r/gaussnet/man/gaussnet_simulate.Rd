\name{gaussnet_simulate}
\alias{gaussnet_simulate}
\title{Simulate a linear Gaussian network and data from it}
\description{
Exactly what \code{gaussnet-sim --vars n_vars --cases n_cases --parents
parents --weights lo:hi --noise noise --seed seed --transform transform}
writes, value for value: a random DAG with \code{parents} parents per
variable on average, arc weights uniform in +-[lo, hi), and noise with
standard deviation \code{noise}, each value then put through
\code{transform}.
}
\usage{
gaussnet_simulate(n_vars, n_cases, parents = 2, weights = c(0.5, 1),
                  noise = 1, seed = 1, transform = "none")
}
\arguments{
  \item{n_vars}{the number of variables.}
  \item{n_cases}{the number of cases.}
  \item{parents}{the expected number of parents per variable.}
  \item{weights}{\code{c(lo, hi)}: the arc weights' range.}
  \item{noise}{the noise's standard deviation.}
  \item{seed}{the random seed, a whole number from 0 to 2^53.}
  \item{transform}{an increasing function of every value: \code{"none"},
    \code{"exp"}, \code{"cube"} (x^3), \code{"logistic"} (1 / (1 +
    exp(-x))) or \code{"mix"} (those three in turn over the variables). The
    network stays the truth; the margins become skewed, data for the
    rank-based correlations of \code{\link{gaussnet_learn}}.}
}
\value{
A list: \code{data}, a data frame of \code{n_cases} rows and columns
\code{X1}, \dots, \code{Xn} whose values are single-precision numbers (as
\code{data.txt} holds them); \code{truth}, the integer 0/1 adjacency matrix of
the network (row = parent) with dimnames, as \code{net.txt} holds it.
}
\examples{
sim <- gaussnet_simulate(10, 100, seed = 3)
dim(sim$data)
sum(sim$truth)
}
