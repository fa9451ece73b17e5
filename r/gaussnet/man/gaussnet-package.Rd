\name{gaussnet-package}
\alias{gaussnet-package}
\alias{gaussnet_version}
\docType{package}
\title{Markov blankets and undirected graphs from Gaussian data}
\description{
The gaussnet library in R: \code{\link{gaussnet_learn}} and
\code{\link{gaussnet_local}} learn Markov blankets (IAMB2, IAMB1) and the
undirected graph (EE) with exactly the results of the \code{gaussnet}
command-line program, \code{\link{gaussnet_bootstrap}} the edge
frequencies over bootstrap resamples and their consensus network,
\code{\link{gaussnet_simulate}} gives what
\code{gaussnet-sim} writes, \code{\link{gaussnet_moral}} the moral graph and
\code{\link{as_igraph}} a graph to plot. \code{gaussnet_version()} is the
library's version, as \code{gaussnet --version} prints it.
}
\usage{gaussnet_version()}
\examples{
gaussnet_version()
}
