library(gaussnet)
folder <- if (length(commandArgs(TRUE)) > 0) commandArgs(TRUE)[1] else "."  # the folder of data_7466.txt and net.txt
data <- read.table(file.path(folder, "data_7466.txt"), header = TRUE)  # a header of names, then blank-separated values
truth <- read_net(file.path(folder, "net.txt"), data)  # the reference network, named as the data's columns
for (correlation in c("pearson", "normal")) {  # raw intensities are skewed: normal scores suit them
    run <- gaussnet_learn(data, learners = "IAMB2", truth = truth, correlation = correlation)$IAMB2
    cat(sprintf("%s: edge tpr %.2f, fdr %.2f\n", correlation, run$scores["edge_tpr"], run$scores["edge_fdr"]))
}
boot <- gaussnet_bootstrap(data, "IAMB2", resamples = 100, seed = 1, truth = truth, correlation = "normal")
print(head(boot$strength, 10))  # the most stable edges, each with its verdict against the reference
