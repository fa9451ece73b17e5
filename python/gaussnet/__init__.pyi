import os
from typing import Any, Iterable, Literal, Mapping, Optional, Sequence, Union

import numpy as np
import numpy.typing as npt

__version__: str

Learner = Literal["EE", "IAMB2", "IAMB1", "ee", "iamb2", "iamb1"]
DataLike = Union[npt.ArrayLike, "pandas.DataFrame"]
Correlation = Literal["pearson", "normal", "spearman", "kendall"]
Missing = Literal["error", "complete"]
Transform = Literal["none", "exp", "cube", "logistic", "mix"]
MatrixLike = Union[npt.ArrayLike, "pandas.DataFrame"]
PairsLike = Union[Sequence[tuple[str, str]], "pandas.DataFrame"]
TruthLike = Union[npt.ArrayLike, "pandas.DataFrame", str, os.PathLike[str]]

SCORE_NAMES: tuple[str, ...]
LEARNERS: tuple[str, ...]

class NotPositiveDefinite(ArithmeticError):
    message: str
    learner: str
    target: Optional[str]

class GaussnetWarning(UserWarning): ...

class Run:
    learner: str
    names: list[str]
    blankets: dict[str, list[str]]
    edges: Any  # pandas.DataFrame (source, target, status, separated, partial_correlation, p_value), or a numpy structured array
    adjacency: Any  # pandas.DataFrame of bool named by the variables, or a numpy bool array without pandas
    tests: int
    seconds: float
    scores: Optional[dict[str, float]]
    target: Optional[str]  # the local run's
    radius: Optional[int]
    rings: Optional[dict[str, int]]  # the local run's
    def to_networkx(self, include_missed: bool = False) -> Any: ...  # networkx.Graph

class Runs(list[Run]):
    def __getitem__(self, key: Union[int, str]) -> Run: ...  # type: ignore[override]
    def keys(self) -> list[str]: ...
    def values(self) -> Runs: ...
    def items(self) -> list[tuple[str, Run]]: ...
    def get(self, key: str, default: Optional[Run] = None) -> Optional[Run]: ...

def learn(
    data: DataLike,
    alpha: float = 0.05,
    learners: Union[str, Iterable[Learner]] = ("EE", "IAMB2", "IAMB1"),
    exact: bool = False,
    truth: Optional[TruthLike] = None,
    threads: Optional[int] = None,
    correlation: Correlation = "pearson",
    missing: Missing = "error",
    forbid: Optional[PairsLike] = None,
    require: Optional[PairsLike] = None,
    progress: Optional[bool] = None,
) -> Runs: ...
def local(
    data: DataLike,
    target: Union[str, int],
    radius: int,
    alpha: float = 0.05,
    exact: bool = False,
    truth: Optional[TruthLike] = None,
    threads: Optional[int] = None,
    correlation: Correlation = "pearson",
    missing: Missing = "error",
    forbid: Optional[PairsLike] = None,
    require: Optional[PairsLike] = None,
    progress: Optional[bool] = None,
) -> Run: ...
class Bootstrap:
    strength: Any  # pandas.DataFrame (source, target, frequency[, status], finished, failed), or a numpy structured array
    consensus: Run
    finished: int
    failed: int
    resamples: int
    seed: int
    threshold: float
    tests: int
    seconds: float

def bootstrap(
    data: DataLike,
    learner: Learner = "IAMB2",
    resamples: int = 200,
    seed: int = 1,
    threshold: float = 0.5,
    alpha: float = 0.05,
    exact: bool = False,
    truth: Optional[TruthLike] = None,
    threads: Optional[int] = None,
    target: Optional[Union[str, int]] = None,
    radius: int = 1,
    correlation: Correlation = "pearson",
    missing: Missing = "error",
    forbid: Optional[PairsLike] = None,
    require: Optional[PairsLike] = None,
    progress: Optional[bool] = None,
) -> Bootstrap: ...
def simulate(
    n_vars: int,
    n_cases: int,
    parents: float = 2,
    weights: Sequence[float] = (0.5, 1),
    noise: float = 1,
    seed: int = 1,
    transform: Transform = "none",
) -> tuple[Any, npt.NDArray[np.uint8]]: ...
def partial_correlations(
    data: DataLike, threads: Optional[int] = None, correlation: Correlation = "pearson", missing: Missing = "error"
) -> Any: ...  # pandas.DataFrame or numpy array
def moral_graph(dag: MatrixLike) -> npt.NDArray[np.bool_]: ...
def read_net(path: Union[str, os.PathLike[str]], names: Union[Sequence[str], "pandas.DataFrame", int]) -> Any: ...

class IAMB:
    alpha: float
    variant: Literal[1, 2]
    exact: bool
    threads: Optional[int]
    correlation: Correlation
    missing: Missing
    forbid: Optional[PairsLike]
    require: Optional[PairsLike]
    progress: Optional[bool]
    blankets_: dict[str, list[str]]
    adjacency_: Any
    edges_: Any
    partial_correlation_: Any
    scores_: Optional[dict[str, float]]
    run_: Run
    n_features_in_: int
    feature_names_in_: npt.NDArray[np.object_]
    def __init__(
        self,
        alpha: float = 0.05,
        variant: Literal[1, 2] = 2,
        exact: bool = False,
        threads: Optional[int] = None,
        correlation: Correlation = "pearson",
        missing: Missing = "error",
        forbid: Optional[PairsLike] = None,
        require: Optional[PairsLike] = None,
        progress: Optional[bool] = None,
    ) -> None: ...
    def fit(self, X: DataLike, y: Any = None, truth: Optional[TruthLike] = None) -> IAMB: ...
    def get_params(self, deep: bool = True) -> dict[str, Any]: ...
    def set_params(self, **params: Any) -> IAMB: ...

class EdgeExclusion:
    alpha: float
    exact: bool
    threads: Optional[int]
    correlation: Correlation
    missing: Missing
    forbid: Optional[PairsLike]
    require: Optional[PairsLike]
    progress: Optional[bool]
    adjacency_: Any
    edges_: Any
    partial_correlation_: Any
    scores_: Optional[dict[str, float]]
    run_: Run
    n_features_in_: int
    feature_names_in_: npt.NDArray[np.object_]
    def __init__(
        self,
        alpha: float = 0.05,
        exact: bool = False,
        threads: Optional[int] = None,
        correlation: Correlation = "pearson",
        missing: Missing = "error",
        forbid: Optional[PairsLike] = None,
        require: Optional[PairsLike] = None,
        progress: Optional[bool] = None,
    ) -> None: ...
    def fit(self, X: DataLike, y: Any = None, truth: Optional[TruthLike] = None) -> EdgeExclusion: ...
    def get_params(self, deep: bool = True) -> dict[str, Any]: ...
    def set_params(self, **params: Any) -> EdgeExclusion: ...
def report(
    path: Union[str, os.PathLike[str]],
    results: Union[Run, Bootstrap, Sequence[Union[Run, Bootstrap]]],
    settings: Optional[Mapping[str, Any]] = ...,
) -> None: ...
