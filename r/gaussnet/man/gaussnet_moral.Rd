\name{gaussnet_moral}
\alias{gaussnet_moral}
\title{The moral graph of a directed graph}
\description{
Each pair of variables joined by an arc, or sharing a child, becomes an
undirected edge: the graph the learners' results are scored against.
}
\usage{gaussnet_moral(dag)}
\arguments{
  \item{dag}{a square adjacency matrix (row = parent, any non-zero or
    \code{TRUE} cell an arc, the diagonal ignored).}
}
\value{A symmetric logical matrix with a \code{FALSE} diagonal and the
dimnames of \code{dag}.}
\examples{
dag <- matrix(0, 3, 3, dimnames = list(c("a", "b", "c"), c("a", "b", "c")))
dag["a", "c"] <- dag["b", "c"] <- 1
gaussnet_moral(dag)
}
