import sys, gaussnet, pandas as pd
folder = sys.argv[1] if len(sys.argv) > 1 else "."  # the folder of data_7466.txt and net.txt
data = pd.read_csv(f"{folder}/data_7466.txt", sep=r"\s+")  # a header of names, then blank-separated values
truth = gaussnet.read_net(f"{folder}/net.txt", data)  # the reference network, named as the data's columns
for correlation in ("pearson", "normal"):  # raw intensities are skewed: normal scores suit them
    (run,) = gaussnet.learn(data, learners=["IAMB2"], truth=truth, correlation=correlation)
    print(f"{correlation}: edge tpr {run.scores['edge_tpr']:.2f}, fdr {run.scores['edge_fdr']:.2f}")
boot = gaussnet.bootstrap(data, "IAMB2", resamples=100, seed=1, truth=truth, correlation="normal")
print(boot.strength.head(10))  # the most stable edges, each with its verdict against the reference
