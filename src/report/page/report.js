// The report's page: draws each run's network, finds variables, shows a
// variable's blanket and neighbours, redraws a bootstrap's consensus network
// at any frequency and lists the edges. The view lives in the address's hash
// (#run=IAMB2&frequency=0.8&search=raf&hide=fn&limit=3000), so that a link
// opens the same view.
(function () {
  "use strict";

  var DATA = JSON.parse(document.getElementById("report-data").textContent);
  var NAMES = DATA.names;
  var N = NAMES.length;
  // Above these the page draws the strongest edges (or the searched
  // variable's neighbourhood) and only the variables they touch.
  var EDGE_LIMIT = 3000;
  var NODE_LIMIT = 3000;
  var TABLE_ROWS = 1000;

  var state = { run: 0, consensus: false, frequency: null, search: "", hidden: {}, limit: EDGE_LIMIT, selected: -1 };
  var sort = { column: null, down: false };
  var cy = null;
  var drawnNodes = "";
  var viewEdges = [];

  function $(id) { return document.getElementById(id); }
  function run() { return DATA.runs[state.run]; }
  function key(s, t) { return s < t ? s * N + t : t * N + s; }
  function format(x, digits) { return x === null || x === undefined ? "" : Number(x).toPrecision(digits); }
  function element(tag, text, cls) {
    var e = document.createElement(tag);
    if (text !== undefined) e.textContent = text;
    if (cls) e.className = cls;
    return e;
  }

  // ----- the view's state in the address -----

  function readHash() {
    var params = new URLSearchParams(location.hash.replace(/^#/, ""));
    var name = params.get("run");
    state.run = 0;
    DATA.runs.forEach(function (r, i) { if (r.name === name) state.run = i; });
    var b = run().bootstrap;
    state.frequency = b ? b.threshold : null;
    state.consensus = false;
    if (b && params.get("frequency") !== null && isFinite(parseFloat(params.get("frequency")))) {
      state.frequency = Math.min(1, Math.max(0, parseFloat(params.get("frequency"))));
      state.consensus = true;
    }
    if (b && params.get("consensus") === "1") state.consensus = true;
    state.search = params.get("search") || "";
    state.hidden = {};
    (params.get("hide") || "").split(",").forEach(function (s) { if (s) state.hidden[s] = true; });
    var limit = parseInt(params.get("limit"), 10);
    state.limit = limit > 0 ? limit : EDGE_LIMIT;
  }

  function writeHash() {
    var params = new URLSearchParams();
    params.set("run", run().name);
    if (state.consensus) params.set("frequency", String(state.frequency));
    if (state.search) params.set("search", state.search);
    var hidden = Object.keys(state.hidden).filter(function (s) { return state.hidden[s]; });
    if (hidden.length) params.set("hide", hidden.join(","));
    if (state.limit !== EDGE_LIMIT) params.set("limit", String(state.limit));
    history.replaceState(null, "", "#" + params.toString());
  }

  // ----- the edges of the view -----

  function learnedEvidence(r) {
    var map = new Map();
    r.edges.forEach(function (e) { if (e[4] !== null) map.set(key(e[0], e[1]), e); });
    return map;
  }

  function frequencies(r) {
    var map = new Map();
    if (r.bootstrap) r.bootstrap.strength.forEach(function (row) { map.set(key(row[0], row[1]), row[2]); });
    return map;
  }

  // The run's learned (and missed) edges, or its consensus network at the
  // chosen frequency: a pair is in it from that share of the resamples on.
  // A pair is true when the strength file calls it tp or fn.
  function currentEdges() {
    var r = run();
    var freq = frequencies(r);
    if (!state.consensus) {
      return r.edges.map(function (e) {
        return { s: e[0], t: e[1], status: e[2], separated: e[3], pc: e[4], p: e[5],
                 freq: r.bootstrap ? (freq.get(key(e[0], e[1])) || 0) : null };
      });
    }
    var evidence = learnedEvidence(r);
    var edges = [];
    r.bootstrap.strength.forEach(function (row) {
      var truth = row[3] === null ? null : row[3] === "tp" || row[3] === "fn";
      var inside = row[2] > 0 && row[2] >= state.frequency;
      if (!inside && truth !== true) return;
      var status = truth === null ? "learned" : inside ? (truth ? "tp" : "fp") : "fn";
      var e = evidence.get(key(row[0], row[1]));
      edges.push({ s: row[0], t: row[1], status: status, separated: null,
                   pc: e ? e[4] : null, p: e ? e[5] : null, freq: row[2] });
    });
    return edges;
  }

  function strength(e) {
    if (state.consensus) return e.status === "fn" ? -1 : e.freq + (e.pc === null ? 0 : Math.abs(e.pc) * 1e-3);
    return e.pc === null ? -1 : Math.abs(e.pc);
  }

  // Everything when it fits; otherwise the searched variable's
  // neighbourhood, or the strongest edges.
  function drawnEdges(edges) {
    if (edges.length <= state.limit) return { edges: edges, note: "" };
    var chosen = edges;
    var note;
    if (state.selected >= 0) {
      var v = state.selected;
      var ring = new Set([v]);
      edges.forEach(function (e) { if (e.s === v) ring.add(e.t); if (e.t === v) ring.add(e.s); });
      chosen = edges.filter(function (e) { return ring.has(e.s) || ring.has(e.t); });
      note = "The neighbourhood of " + NAMES[v] + ": ";
    } else {
      note = "The strongest edges: ";
    }
    if (chosen.length > state.limit)
      chosen = chosen.slice().sort(function (a, b) { return strength(b) - strength(a); }).slice(0, state.limit);
    return { edges: chosen, note: note + chosen.length.toLocaleString() + " of " + edges.length.toLocaleString() +
             " edges drawn. Find a variable to see its neighbourhood." };
  }

  // ----- drawing -----

  function edgeWidth(e) {
    if (e.pc !== null) return 1 + 5 * Math.abs(e.pc);
    return e.freq !== null && e.status !== "fn" ? 1 + 5 * e.freq : 1.5;
  }

  function styles(large) {
    return [
      { selector: "node", style: { "label": "data(label)", "font-size": 9, "width": 12, "height": 12,
        "background-color": "#6b7280", "color": "#222", "text-valign": "top", "min-zoomed-font-size": 7 } },
      { selector: "edge", style: { "width": "data(width)", "line-color": "#9ca3af", "opacity": 0.85,
        "curve-style": large ? "haystack" : "straight" } },
      { selector: "edge[sign > 0]", style: { "line-color": "#1f5fa8" } },
      { selector: "edge[sign < 0]", style: { "line-color": "#c0392b" } },
      { selector: "edge[status = 'fp']", style: { "line-style": "dashed", "line-dash-pattern": [6, 3] } },
      { selector: "edge[status = 'fn']", style: { "line-style": "dotted", "line-color": "#b0b0b0", "width": 1.5 } },
      { selector: ".faded", style: { "opacity": 0.2 } },
      { selector: "node.neighbour", style: { "background-color": "#f59e0b" } },
      { selector: "node.chosen", style: { "background-color": "#111827", "width": 18, "height": 18,
        "font-size": 13, "font-weight": "bold", "z-index": 10 } }
    ];
  }

  function elementsOf(edges) {
    var nodes = new Set();
    if (N <= NODE_LIMIT) for (var v = 0; v < N; v++) nodes.add(v);
    edges.forEach(function (e) { nodes.add(e.s); nodes.add(e.t); });
    if (state.selected >= 0) nodes.add(state.selected);
    var list = Array.from(nodes).sort(function (a, b) { return a - b; });
    return {
      nodeKey: list.join(","),
      nodes: list.map(function (v) { return { group: "nodes", data: { id: "n" + v, label: NAMES[v], index: v } }; }),
      edges: edges.map(function (e, k) {
        return { group: "edges", data: { id: "e" + k, source: "n" + e.s, target: "n" + e.t, status: e.status,
                 sign: e.pc === null ? 0 : e.pc > 0 ? 1 : -1, width: edgeWidth(e) } };
      })
    };
  }

  // Fruchterman and Reingold's forces, repulsion only between variables in
  // neighbouring cells of a grid: each pass costs about as much as the
  // variables and edges, so that thousands are laid out in well under a second.
  // A grid cell as one number (rows of 2^20 cells), and the offsets of the nine around one.
  var CELL_ROW = 1048576;
  var NEIGHBOUR_CELLS = [-CELL_ROW - 1, -CELL_ROW, -CELL_ROW + 1, -1, 0, 1, CELL_ROW - 1, CELL_ROW, CELL_ROW + 1];
  function cellOf(x, y, cell) {
    return (Math.floor(y / cell) + CELL_ROW / 2) * CELL_ROW + Math.floor(x / cell) + CELL_ROW / 2;
  }

  function gridLayout(nodes, edges) {
    var n = nodes.length, k = 40, place = new Map();
    var x = new Float64Array(n), y = new Float64Array(n), dx = new Float64Array(n), dy = new Float64Array(n);
    nodes.forEach(function (v, i) {
      place.set(v, i);
      var r = k * Math.sqrt(i + 1) * 0.8, a = i * 2.399963;  // a spiral at the golden angle
      x[i] = r * Math.cos(a);
      y[i] = r * Math.sin(a);
    });
    var ends = edges.map(function (e) { return [place.get(e.s), place.get(e.t)]; });
    var cell = 2 * k, passes = 300, heat = k * Math.sqrt(n) / 4;
    for (var pass = 0; pass < passes; pass++) {
      dx.fill(0);
      dy.fill(0);
      var grid = new Map();
      for (var i = 0; i < n; i++) {
        var c = cellOf(x[i], y[i], cell);
        var members = grid.get(c);
        if (members) members.push(i); else grid.set(c, [i]);
      }
      for (i = 0; i < n; i++) {
        var home = cellOf(x[i], y[i], cell);
        for (var g = 0; g < 9; g++) {
          {
            var near = grid.get(home + NEIGHBOUR_CELLS[g]);
            if (!near) continue;
            for (var m = 0; m < near.length; m++) {
              var j = near[m];
              if (j === i) continue;
              var ex = x[i] - x[j], ey = y[i] - y[j], d2 = ex * ex + ey * ey + 0.01;
              if (d2 > cell * cell) continue;
              dx[i] += ex * k * k / d2;
              dy[i] += ey * k * k / d2;
            }
          }
        }
        // A weak pull to the middle keeps separate parts together.
        dx[i] -= x[i] * 0.02;
        dy[i] -= y[i] * 0.02;
      }
      ends.forEach(function (e) {
        var ex = x[e[0]] - x[e[1]], ey = y[e[0]] - y[e[1]], d = Math.sqrt(ex * ex + ey * ey) + 0.01;
        var f = d / k;
        dx[e[0]] -= ex * f;
        dy[e[0]] -= ey * f;
        dx[e[1]] += ex * f;
        dy[e[1]] += ey * f;
      });
      var limit = heat * (1 - pass / passes) + 1;
      for (i = 0; i < n; i++) {
        var length = Math.sqrt(dx[i] * dx[i] + dy[i] * dy[i]) + 1e-9, step = Math.min(length, limit);
        x[i] += dx[i] / length * step;
        y[i] += dy[i] / length * step;
      }
    }
    var positions = {};
    nodes.forEach(function (v, i) { positions["n" + v] = { x: x[i], y: y[i] }; });
    return positions;
  }

  // The library's own force-directed layout for small networks; the grid's
  // for large ones, where its cost grows with the square of the variables.
  function layoutOptions(els, edges) {
    if (els.nodes.length <= 300)
      return { name: "cose", animate: false, randomize: true, nodeDimensionsIncludeLabels: false, numIter: 1000,
               idealEdgeLength: function () { return 48; }, nodeRepulsion: function () { return 6000; },
               componentSpacing: 40, fit: true, padding: 20 };
    var positions = gridLayout(els.nodes.map(function (node) { return node.data.index; }), edges);
    return { name: "preset", positions: function (node) { return positions[node.id()]; }, fit: true, padding: 20 };
  }

  // A new set of variables is laid out anew; the same set keeps its places
  // and only its edges change (the slider's redraws stay live).
  function draw() {
    var shown = drawnEdges(viewEdges);
    var els = elementsOf(shown.edges);
    var large = shown.edges.length > 2000;
    if (!cy) {
      cy = cytoscape({ container: $("graph"), style: styles(large), wheelSensitivity: 0.3,
                       textureOnViewport: large, hideEdgesOnViewport: large });
      cy.on("tap", "node", function (event) { select(event.target.data("index"), true); });
      cy.on("tap", function (event) { if (event.target === cy) select(-1, true); });
    }
    cy.batch(function () {
      if (els.nodeKey !== drawnNodes) {
        cy.elements().remove();
        cy.add(els.nodes);
      } else {
        cy.edges().remove();
      }
      cy.add(els.edges);
    });
    if (els.nodeKey !== drawnNodes) cy.layout(layoutOptions(els, shown.edges)).run();
    drawnNodes = els.nodeKey;
    $("notice").textContent = shown.note;
    highlight();
    document.body.dataset.nodes = String(cy.nodes().length);
    document.body.dataset.edges = String(cy.edges().length);
  }

  // A large network is zoomed in on the variable found; a small one stays whole.
  function bringIntoView(v) {
    var node = cy.getElementById("n" + v);
    if (node.empty() || cy.nodes().length <= 200) return;
    cy.zoom(Math.max(cy.zoom(), 1));
    cy.center(node);
  }

  function highlight() {
    cy.batch(function () {
      cy.elements().removeClass("faded neighbour chosen");
      if (state.selected < 0) return;
      var node = cy.getElementById("n" + state.selected);
      if (node.empty()) return;
      var around = node.closedNeighborhood();
      cy.elements().not(around).addClass("faded");
      around.nodes().addClass("neighbour");
      node.addClass("chosen");
    });
  }

  // ----- a variable's blanket and neighbours -----

  function select(v, byHand) {
    state.selected = v;
    if (byHand) state.search = v >= 0 ? NAMES[v] : "";
    $("search").value = state.search;
    document.body.dataset.selected = v >= 0 ? NAMES[v] : "";
    writeHash();
    if (viewEdges.length > state.limit) draw(); else highlight();
    showDetails();
    if (v >= 0 && !byHand) bringIntoView(v);
  }

  function evidenceList(title, rows) {
    var box = document.createDocumentFragment();
    box.appendChild(element("h3", title + " (" + rows.length + ")"));
    if (!rows.length) return box;
    var table = element("table");
    var head = table.insertRow();
    ["variable", "status", "partial corr.", "p-value"].concat(run().bootstrap ? ["frequency"] : [])
      .forEach(function (h) { head.appendChild(element("th", h)); });
    rows.forEach(function (row) {
      var tr = table.insertRow();
      var link = element("a", NAMES[row.v]);
      link.addEventListener("click", function () { select(row.v, true); });
      tr.insertCell().appendChild(link);
      tr.insertCell().textContent = row.e ? row.e.status : "";
      var pc = tr.insertCell();
      pc.textContent = row.e ? format(row.e.pc, 3) : "";
      pc.className = "number " + (row.e && row.e.pc < 0 ? "negative" : "positive");
      tr.insertCell().textContent = row.e ? format(row.e.p, 3) : "";
      if (run().bootstrap) tr.insertCell().textContent = row.e ? format(row.e.freq, 3) : "";
    });
    box.appendChild(table);
    return box;
  }

  function showDetails() {
    var box = $("details");
    box.textContent = "";
    var v = state.selected;
    if (v < 0) {
      box.appendChild(element("p", "Click a variable, or find it by name, to see its blanket and its neighbours."));
      return;
    }
    box.appendChild(element("h2", NAMES[v]));
    var byOther = new Map();
    viewEdges.forEach(function (e) {
      if (e.s === v) byOther.set(e.t, e);
      if (e.t === v) byOther.set(e.s, e);
    });
    var blankets = run().blankets;
    if (blankets && !state.consensus) {
      box.appendChild(evidenceList("Blanket as learned", blankets[v].map(function (m) {
        return { v: m, e: byOther.get(m) };
      })));
    }
    var neighbours = Array.from(byOther.keys()).sort(function (a, b) { return a - b; });
    box.appendChild(evidenceList(state.consensus ? "Neighbours in the consensus network" : "Neighbours",
      neighbours.map(function (m) { return { v: m, e: byOther.get(m) }; })));
  }

  function find(text) {
    var wanted = text.trim().toLowerCase();
    if (!wanted) return -1;
    var exact = NAMES.findIndex(function (name) { return name.toLowerCase() === wanted; });
    if (exact >= 0) return exact;
    return NAMES.findIndex(function (name) { return name.toLowerCase().indexOf(wanted) >= 0; });
  }

  function search(text) {
    state.search = text;
    var v = find(text);
    select(v, false);
    if (text.trim() && v < 0) $("notice").textContent = "No variable matches \u201c" + text + "\u201d.";
  }

  // ----- the edge table -----

  var COLUMNS = [
    { name: "source", value: function (e) { return NAMES[e.s]; } },
    { name: "target", value: function (e) { return NAMES[e.t]; } },
    { name: "status", value: function (e) { return e.status; } },
    { name: "partial_correlation", number: true, value: function (e) { return e.pc; } },
    { name: "p_value", number: true, value: function (e) { return e.p; } },
    { name: "frequency", number: true, bootstrap: true, value: function (e) { return e.freq; } }
  ];

  function columns() { return COLUMNS.filter(function (c) { return !c.bootstrap || run().bootstrap; }); }

  function tableRows() {
    var wanted = $("filter").value.trim().toLowerCase();
    var rows = viewEdges.filter(function (e) {
      return !wanted || NAMES[e.s].toLowerCase().indexOf(wanted) >= 0 || NAMES[e.t].toLowerCase().indexOf(wanted) >= 0;
    });
    if (sort.column) {
      var c = sort.column;
      rows.sort(function (a, b) {
        var x = c.value(a), y = c.value(b);
        if (x === null || x === undefined) return 1;
        if (y === null || y === undefined) return -1;
        var order = c.number ? x - y : String(x).localeCompare(String(y));
        return sort.down ? -order : order;
      });
    }
    return rows;
  }

  function showTable() {
    var head = $("edge-table").tHead;
    head.textContent = "";
    var tr = head.insertRow();
    columns().forEach(function (c) {
      var th = element("th", c.name, sort.column === c ? (sort.down ? "sorted-down" : "sorted-up") : "");
      th.addEventListener("click", function () {
        sort.down = sort.column === c ? !sort.down : c.number;
        sort.column = c;
        showTable();
      });
      tr.appendChild(th);
    });
    var rows = tableRows();
    var body = $("edge-table").tBodies[0];
    body.textContent = "";
    rows.slice(0, TABLE_ROWS).forEach(function (e) {
      var row = body.insertRow();
      columns().forEach(function (c) {
        var cell = row.insertCell();
        var value = c.value(e);
        cell.textContent = c.number ? format(value, 4) : value;
        if (c.number) cell.className = "number" + (c.name === "partial_correlation" && value < 0 ? " negative" : "");
      });
    });
    $("table-count").textContent = rows.length.toLocaleString() + " of " + viewEdges.length.toLocaleString() +
      " edges" + (rows.length > TABLE_ROWS ? " (the first " + TABLE_ROWS + " listed; the download has all)" : "");
    document.body.dataset.tableRows = String(rows.length);
  }

  function csvField(text) {
    text = text === null || text === undefined ? "" : String(text);
    return /[",\r\n]|^\s|\s$/.test(text) ? '"' + text.replace(/"/g, '""') + '"' : text;
  }

  function download() {
    var cols = columns();
    var lines = [cols.map(function (c) { return c.name; }).join(",")];
    tableRows().forEach(function (e) {
      lines.push(cols.map(function (c) { return csvField(c.value(e)); }).join(","));
    });
    var link = document.createElement("a");
    link.href = URL.createObjectURL(new Blob([lines.join("\n") + "\n"], { type: "text/csv" }));
    link.download = run().name + (state.consensus ? ".consensus" : "") + ".edges.csv";
    document.body.appendChild(link);
    link.click();
    link.remove();
  }

  // ----- the header -----

  function showSettings() {
    var box = $("settings");
    DATA.settings.forEach(function (s) {
      var item = element("div");
      item.appendChild(element("dt", s[0]));
      item.appendChild(element("dd", s[1]));
      box.appendChild(item);
    });
    var nav = $("runs");
    DATA.runs.forEach(function (r, i) {
      var button = element("button", r.name);
      button.type = "button";
      button.addEventListener("click", function () {
        state.run = i;
        state.consensus = false;
        state.frequency = r.bootstrap ? r.bootstrap.threshold : null;
        refresh(true);
      });
      nav.appendChild(button);
    });
  }

  function triple(t) { return "tpr " + t[0].toFixed(2) + ", fdr " + t[1].toFixed(2) + ", fdr2 " + t[2].toFixed(2); }

  function showScores() {
    var r = run();
    var parts = [r.name + ": " + r.seconds + " s, " + r.tests.toLocaleString() + " tests, " +
                 r.edges.filter(function (e) { return e[2] !== "fn"; }).length.toLocaleString() + " edges"];
    if (r.scores) parts.push("per variable " + triple(r.scores[0]), "per edge " + triple(r.scores[1]));
    var b = r.bootstrap;
    if (b) parts.push("bootstrap: " + b.resamples + " resamples (" + b.failed + " failed), seed " + b.seed +
                      ", consensus from " + b.threshold + ", " + b.seconds + " s");
    $("scores").textContent = parts.join("; ");
    Array.prototype.forEach.call($("runs").children, function (button, i) {
      button.className = i === state.run ? "current" : "";
    });
  }

  function showControls() {
    var r = run();
    var truth = r.edges.some(function (e) { return e[2] !== "learned"; });
    $("truth-controls").hidden = !truth;
    document.querySelectorAll("#truth-controls input").forEach(function (box) {
      box.checked = !state.hidden[box.dataset.status];
    });
    $("bootstrap-controls").hidden = !r.bootstrap;
    if (r.bootstrap) {
      $("consensus").checked = state.consensus;
      $("frequency").value = String(state.frequency);
      $("frequency-value").textContent = Number(state.frequency).toFixed(2);
    }
    var legend = $("legend");
    legend.textContent = "";
    var items = [["#1f5fa8", "solid", "positive partial correlation"], ["#c0392b", "solid", "negative"]];
    if (truth) items.push(["#555", "dashed", "false (fp)"], ["#b0b0b0", "dotted", "missed (fn)"]);
    items.forEach(function (item) {
      var span = element("span");
      var line = element("i");
      line.style.borderTop = "3px " + item[1] + " " + item[0];
      span.appendChild(line);
      span.appendChild(document.createTextNode(item[2]));
      legend.appendChild(span);
    });
    legend.appendChild(element("span", "width: |partial correlation|" + (state.consensus ? " or frequency" : "")));
  }

  // ----- putting it together -----

  function refresh(layoutAnew) {
    if (layoutAnew) drawnNodes = "";
    viewEdges = currentEdges().filter(function (e) { return !state.hidden[e.status]; });
    state.selected = find(state.search);
    document.body.dataset.run = run().name;
    document.body.dataset.view = state.consensus ? "consensus" : "run";
    document.body.dataset.frequency = state.consensus ? String(state.frequency) : "";
    document.body.dataset.selected = state.selected >= 0 ? NAMES[state.selected] : "";
    writeHash();
    showScores();
    showControls();
    draw();
    if (state.selected >= 0) bringIntoView(state.selected);
    showDetails();
    showTable();
    document.body.dataset.ready = "true";
    // How long the page took to be drawn since it began to load, for measuring large runs.
    document.body.dataset.milliseconds = String(Math.round(performance.now()));
  }

  function wire() {
    var names = $("names");
    if (N <= 20000) NAMES.forEach(function (name) { names.appendChild(element("option", name)); });
    $("search").addEventListener("change", function () { search(this.value); });
    $("search").addEventListener("keydown", function (event) { if (event.key === "Enter") search(this.value); });
    $("consensus").addEventListener("change", function () { state.consensus = this.checked; refresh(false); });
    $("frequency").addEventListener("input", function () {
      state.frequency = parseFloat(this.value);
      state.consensus = true;
      refresh(false);
    });
    document.querySelectorAll("#truth-controls input").forEach(function (box) {
      box.addEventListener("change", function () { state.hidden[box.dataset.status] = !box.checked; refresh(false); });
    });
    $("filter").addEventListener("input", showTable);
    $("download").addEventListener("click", download);
    window.addEventListener("hashchange", function () { readHash(); refresh(true); });
  }

  readHash();
  showSettings();
  wire();
  $("search").value = state.search;
  refresh(true);
})();
