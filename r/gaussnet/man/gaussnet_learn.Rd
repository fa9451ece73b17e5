\name{gaussnet_learn}
\alias{gaussnet_learn}
\alias{gaussnet_local}
\alias{print.gaussnet_run}
\title{Learn Markov blankets and the undirected graph from Gaussian data}
\description{
Learns every variable's Markov blanket with the ranked IAMB learner (IAMB2:
Benjamini-Yekutieli adjusted p-values; IAMB1: plain ones) and an undirected
graph with the edge exclusion test (EE), with exactly the results of the
\code{gaussnet} command-line program on the same values.
\code{gaussnet_local} learns the neighbourhood of one variable, ring by ring,
with IAMB2 (the program's local mode).
}
\usage{
gaussnet_learn(data, alpha = 0.05, learners = .gaussnet_vocabulary()$learners,
               exact = FALSE, truth = NULL, threads = NULL,
               correlation = "pearson", missing = "error", forbid = NULL,
               require = NULL, progress = interactive())

gaussnet_local(data, target, radius, alpha = 0.05, exact = FALSE,
               truth = NULL, threads = NULL, correlation = "pearson",
               missing = "error", forbid = NULL, require = NULL,
               progress = interactive())
}
\arguments{
  \item{data}{a numeric (double, integer or logical) matrix or data frame,
    cases x variables. Column names become the variable names (missing ones
    are \code{X1}, \dots, \code{Xn} by position; names must differ). Every
    value is rounded to the nearest single-precision number, as the
    program's data file reader rounds the numbers it reads, and the results
    are computed from the rounded values: data read from a gaussnet data
    file give exactly the program's results on that file. A double matrix is
    read in place; a data frame is first made a matrix.}
  \item{alpha}{the significance level; each test is two-sided (p compared
    with alpha / 2).}
  \item{learners}{some of \code{"EE"}, \code{"IAMB2"}, \code{"IAMB1"} (any
    case, or one string separated by commas). They run in this order
    whatever the order given; EE runs only with more cases than variables
    (otherwise it is skipped with a warning). By default all of them.}
  \item{exact}{\code{FALSE}: Fisher's z with the normal distribution;
    \code{TRUE}: the exact Student t statistic.}
  \item{truth}{the true network as a p x p adjacency matrix (row = parent,
    any non-zero or \code{TRUE} cell an arc, the diagonal ignored), the path
    of a net.txt file (read by \code{\link{read_net}}), or \code{NULL}. A
    matrix's dimnames, when it has them, name the variables: its rows and
    columns are put in the data's order, and a name that is not the data's
    is an error naming it; a matrix without dimnames is taken in the data's
    order. With it every run is scored against its moral graph and every
    edge is \code{"tp"}, \code{"fp"} or \code{"fn"}. A first column that
    looks like a file's row index (named \code{X} or \code{""}, holding 1 to
    n or 0 to n - 1) draws a warning: read such a file with
    \code{row.names = 1}.}
  \item{threads}{how many threads learn; \code{NULL}: the cores this process
    may use. The results are the same for every count.}
  \item{correlation}{what the learners learn from, as the program's
    \code{--correlation}: \code{"pearson"} (the covariance of the values),
    or a rank-based correlation mapped to the Gaussian scale:
    \code{"spearman"} (2 sin(pi/6 rho), tied values taking their average
    rank) or \code{"kendall"} (sin(pi/2 tau) of Kendall's tau-b), or
    \code{"normal"}, the covariance of normal scores (qnorm(rank / (n + 1)),
    average ranks for ties). The rank-based ones suit skewed data: any
    increasing transformation of a variable leaves the results as they are;
    \code{"normal"} keeps the error rates of Gaussian data.}
  \item{missing}{what a missing value (\code{NA}, \code{NaN}) does:
    \code{"error"}, an error naming its case and variable; or
    \code{"complete"} (the program's \code{--missing complete}), the cases
    holding one are left out, with a warning saying how many; fewer than 3
    complete cases is an error.}
  \item{progress}{\code{TRUE} or \code{FALSE}: whether an IAMB run that
    takes longer than about two seconds shows the program's progress line
    (targets done, the time so far, the targets still running) on the
    console, rewritten in place and cleared at the end. By default in an
    interactive session only, so scripts show nothing.}
  \item{forbid, require}{pairs of variable names known beforehand (the
    program's \code{--forbid} and \code{--require}): a two-column data frame
    or matrix, or a list of pairs (\code{list(c("a", "b"))}). Pairs are
    undirected; a forbidden pair is never joined and a required pair always
    is, by every learner. An unknown name, a variable paired with itself or
    a pair both forbidden and required is an input error naming the pair.}
  \item{target}{the target variable's name, or its column number.}
  \item{radius}{the number of rings: ring 1 is the target, ring i + 1 the
    variables first found in the blankets of ring i's.}
}
\value{
\code{gaussnet_learn}: a list (class \code{gaussnet_runs}) with one element
per learner run, named by learner; \code{gaussnet_local}: one run (learner
\code{"local"}). \code{summary()} of either is a data frame with one row a
run (\code{learner}, \code{n_vars}, \code{learned_edges}, \code{tests},
\code{seconds} and the six rates, \code{NA} without a true network: the
program's results table's columns), \code{as.data.frame()} the edges (of all
runs, with a \code{learner} column, for a comparison). A run is a list of
class \code{gaussnet_run}:
  \item{learner}{\code{"EE"}, \code{"IAMB2"}, \code{"IAMB1"} or \code{"local"}.}
  \item{names}{the variable names.}
  \item{blankets}{a named list: for each variable the names in its blanket
    as learned (IAMB; not necessarily symmetric), or its neighbours (EE).}
  \item{edges}{a data frame with the columns of the program's exported edges
    file: \code{source}, \code{target}, \code{status} (\code{"learned"}, or
    with a true network \code{"tp"}, \code{"fp"}, \code{"fn"}; missed edges are
    listed too), \code{separated} (for false edges, whether the true
    network separates their ends given the other learned neighbours;
    \code{NA} otherwise), \code{partial_correlation} and \code{p_value}
    (the edge's sign and strength and the unadjusted p-value of its test;
    \code{NA} for missed edges and a consensus network's). EE: given all
    other variables, as \code{\link{gaussnet_partial_correlations}} has it;
    IAMB and local runs: given the rest of the learned blanket (the test
    that kept the member), and where both ends list each other the weaker
    of the two (the larger p-value).}
  \item{adjacency}{the learned undirected graph, a logical p x p matrix with
    dimnames.}
  \item{tests}{the number of independence tests run.}
  \item{seconds}{the run's wall-clock time, to the millisecond.}
  \item{scores}{with a true network, the six rates of the program's table:
    \code{var_tpr}, \code{var_fdr}, \code{var_fdr2} (per variable),
    \code{edge_tpr}, \code{edge_fdr}, \code{edge_fdr2} (per edge); else
    \code{NULL}.}
  \item{rings}{the local run's: each variable's ring, a named integer vector
    (1 the target, 2 the variables in its blanket, 3 those first found in
    theirs, ..., 0 never reached), as the exported \code{local.nodes.csv}
    has it; \code{NULL} for the other runs.}
}
\section{Conditions}{
Bad input is an error of class \code{gaussnet_input_error} with the
program's message (infinities and values beyond single precision, and NaN
and NA unless \code{missing = "complete"}, name their case and variable). A covariance matrix that is not positive
definite is an error of class \code{gaussnet_not_positive_definite} with
fields \code{learner}, \code{target} (the variable's name; \code{NA} for
EE) and \code{program_message} (with a rank-based correlation the message
names it and the cause); exhausted memory is a
\code{gaussnet_memory_error}. All are of class \code{gaussnet_error}.
Diagnostics of the computation are warnings of class
\code{gaussnet_warning}. A user interrupt (Ctrl-C) stops a run within about a
second, with no thread left running.
}
\seealso{\code{\link{gaussnet_simulate}}, \code{\link{as_igraph}}.}
\examples{
sim <- gaussnet_simulate(20, 500, seed = 7)
runs <- gaussnet_learn(sim$data, truth = sim$truth, threads = 1)
runs$IAMB2
runs$IAMB2$scores
head(runs$EE$edges)
runs$IAMB2$blankets$X3
gaussnet_local(sim$data, "X3", radius = 2, threads = 1)$blankets$X3
}
