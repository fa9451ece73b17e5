import sys, gaussnet, matplotlib.pyplot as plt, networkx as nx, pandas as pd
data, truth = gaussnet.simulate(50, 1000, seed=7)  # 50 variables, 1,000 cases, and the true network
runs = {run.learner: run for run in gaussnet.learn(data, learners=["IAMB2", "EE"], truth=truth)}
print(pd.DataFrame({name: run.scores for name, run in runs.items()}).T.round(3))  # the six rates per learner
graph, style = runs["IAMB2"].to_networkx(include_missed=True), {"tp": ("0.7", "solid", 1), "fp": ("red", "solid", 2.5), "fn": ("tab:blue", "dashed", 2.5)}
plt.figure(figsize=(10, 10)); pos = nx.circular_layout(graph)  # IAMB2's graph: found, false and missed edges
nx.draw_networkx_nodes(graph, pos, node_size=350, node_color="lightsteelblue"); nx.draw_networkx_labels(graph, pos, font_size=7)
for status, (colour, line, width) in style.items():
    nx.draw_networkx_edges(graph, pos, [e for e in graph.edges if graph.edges[e]["status"] == status], edge_color=colour, style=line, width=width, label=status)
plt.legend(title="IAMB2 vs. truth"); plt.axis("off"); plt.savefig(sys.argv[1] if len(sys.argv) > 1 else "iamb2.png", dpi=120, bbox_inches="tight")
