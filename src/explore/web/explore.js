// The explorer's page. The server does the work; this page holds the view's
// state as a marl recipe (key=value pairs), in its URL after the '#', so a
// bookmark or a shared link opens the same view. Messages are JSON objects
// with a "type"; docs/guide/explore.md lists them.

const $ = (selector) => document.querySelector(selector);
const colourKeys = ['palette', 'colors', 'reverse', 'blend', 'tone', 'gamma', 'background'];
// Keys the candidates and the view set for themselves; the state leaves them out.
const workingKeys = ['size', 'mode', 'it', 'width', 'height'];
const keepKeys = ['size', 'width', 'height', 'image', 'depth', 'mode', 'it', 'quazi', 'frames', 'video'];

let socket;
let state = null;        // the view's recipe
let sequence = 0;        // of colour changes, to measure how soon each shows
let batch = 0;           // of candidate grids: a new grid ignores the old one's late cards
const sentAt = new Map();
// Read by the browser tests and the benchmark.
// Times are performance.now() milliseconds: when candidates were last asked
// for and when each arrived, when a view was chosen and when each round came.
window.marl = {
  timings: [], candidates: 0, views: 0, lastHits: 0, jobs: {},
  askedAt: 0, candidateTimes: [], chosenAt: 0, viewTimes: [],
};

function connect() {
  const token = new URLSearchParams(location.search).get('token');
  const query = token ? `?token=${encodeURIComponent(token)}` : '';
  socket = new WebSocket(`ws://${location.host}/ws${query}`);
  socket.addEventListener('message', (event) => receive(JSON.parse(event.data)));
  socket.addEventListener('open', () => { $('#status').textContent = 'connected'; });
  socket.addEventListener('close', () => {
    $('#status').textContent = 'the explorer has stopped: start marl explore again';
  });
}

function send(message) {
  if (socket.readyState === WebSocket.OPEN) socket.send(JSON.stringify(message));
}

// Messages the page's other modules (breed.js) handle, by type.
const moduleHandlers = {};

function receive(message) {
  const handlers = { hello, candidate, view, palettes, job, refused };
  const handler = handlers[message.type];
  if (handler) handler(message);
  for (const h of moduleHandlers[message.type] || []) h(message);
}

function option(select, value, text = value) {
  const o = document.createElement('option');
  o.value = value;
  o.textContent = text;
  select.append(o);
}

function hello(message) {
  for (const name of message.palettes) {
    option($('#grid-palette'), name);
    option($('#colour-form [name=palette]'), name);
  }
  option($('#grid-palette'), 'random', 'a palette each');
  for (const format of message.formats) option($('#keep-form [name=image]'), format.name);
  const fromLink = recipeFromHash();
  if (fromLink) choose(fromLink, null);
  // With a folder to show, breed.js asks for candidates once it is shown.
  if (!message.folder) askForCandidates();
}

function askForCandidates(replace = false) {
  const palette = $('#grid-palette').value;
  if (replace) batch += 1;
  window.marl.askedAt = performance.now();
  window.marl.candidateTimes = [];
  send({ type: 'candidates', count: 12, recipe: palette ? { palette } : {}, batch, replace });
}

function candidate(message) {
  if (message.batch !== batch) return;
  const card = document.createElement('button');
  card.type = 'button';
  card.className = 'card';
  card.dataset.id = message.id;
  const img = document.createElement('img');
  img.src = message.image;
  img.alt = `candidate ${message.number}`;
  const label = document.createElement('span');
  label.textContent = `#${String(message.number).padStart(6, '0')} · fill ${(message.fill * 100).toFixed(1)}%`;
  card.append(img, label);
  card.addEventListener('click', () => choose(message.recipe, card));
  $('#grid').append(card);
  window.marl.candidates += 1;
  window.marl.candidateTimes.push(performance.now() - window.marl.askedAt);
}

function stateOf(recipe) {
  const kept = {};
  for (const [key, value] of Object.entries(recipe)) {
    if (!workingKeys.includes(key)) kept[key] = String(value);
  }
  return kept;
}

function choose(recipe, card) {
  state = stateOf(recipe);
  for (const other of document.querySelectorAll('.card')) other.setAttribute('aria-pressed', String(other === card));
  $('#view').hidden = false;
  if (card) $('#view-image').src = card.querySelector('img').src;
  $('#view-hits').textContent = 'counting…';
  $('#palette-previews').replaceChildren();
  showColours();
  saveHash();
  window.marl.chosenAt = performance.now();
  window.marl.viewTimes = [];
  send({ type: 'view', recipe: state });
}

function view(message) {
  $('#view-image').src = message.image;
  $('#view-hits').textContent = `${message.hits} hits a pixel${message.done === false ? ', refining…' : ''}`;
  window.marl.views += 1;
  window.marl.lastHits = message.hits;
  if (!message.sequence) window.marl.viewTimes.push([message.hits, performance.now() - window.marl.chosenAt]);
  if (message.sequence && sentAt.has(message.sequence)) {
    // Measured once the browser has the new picture decoded and shown.
    const started = sentAt.get(message.sequence);
    sentAt.delete(message.sequence);
    $('#view-image').decode().then(() => {
      window.marl.timings.push(performance.now() - started);
    });
  }
}

function palettes(message) {
  const strip = $('#palette-previews');
  strip.replaceChildren();
  for (const [name, image] of Object.entries(message.previews)) {
    const b = document.createElement('button');
    b.type = 'button';
    b.title = name;
    b.setAttribute('aria-pressed', String(state && state.palette === name));
    const img = document.createElement('img');
    img.src = image;
    img.alt = name;
    b.append(img);
    b.addEventListener('click', () => {
      $('#colour-form [name=palette]').value = name;
      coloursChanged();
    });
    strip.append(b);
  }
}

// The form shows the state's colours; gamma on a log scale, 0.1 to 10.
function showColours() {
  const form = $('#colour-form');
  form.palette.value = state.palette || '';
  form.colors.value = state.colors || '';
  form.reverse.checked = state.reverse === 'true';
  form.blend.value = state.blend || 'rgb';
  form.tone.value = state.tone || 'equalize';
  const gamma = Number(state.gamma || 1);
  form.gamma.value = String(Math.log10(gamma));
  $('#gamma-value').textContent = gamma.toPrecision(3);
  form.filter.value = state.filter || 'none';
  form.background.value = state.background || '';
}

function coloursChanged() {
  if (!state) return;
  const form = $('#colour-form');
  const set = (key, value, unset) => {
    if (value === unset || value === '') delete state[key]; else state[key] = value;
  };
  set('palette', form.palette.value, '');
  set('colors', form.colors.value.trim(), '');
  set('reverse', form.reverse.checked ? 'true' : 'false', 'false');
  set('blend', form.blend.value, 'rgb');
  set('tone', form.tone.value, 'equalize');
  const gamma = Math.pow(10, Number(form.gamma.value));
  $('#gamma-value').textContent = gamma.toPrecision(3);
  set('gamma', Math.abs(gamma - 1) < 0.005 ? '1' : gamma.toPrecision(3), '1');
  set('filter', form.filter.value, 'none');
  set('background', form.background.value.trim(), '');
  for (const b of document.querySelectorAll('#palette-previews button')) {
    b.setAttribute('aria-pressed', String(b.title === state.palette));
  }
  saveHash();
  sequence += 1;
  sentAt.set(sequence, performance.now());
  send({ type: 'colour', recipe: state, sequence });
}

function keepRecipe() {
  const recipe = { ...state };
  const form = $('#keep-form');
  for (const key of keepKeys) {
    const field = form[key];
    const value = field.type === 'checkbox' ? (field.checked ? 'true' : '') : field.value.trim();
    if (value !== '') recipe[key] = value;
  }
  if (recipe.depth === '8') delete recipe.depth;
  return recipe;
}

function job(message) {
  let item = document.getElementById(`job-${message.id}`);
  if (!item) {
    item = document.createElement('li');
    item.id = `job-${message.id}`;
    item.innerHTML = '<span class="state"></span> <progress max="1" value="0"></progress> ' +
      '<button type="button" class="cancel">Cancel</button><code></code><ul class="files"></ul>';
    item.querySelector('.cancel').addEventListener('click', () => send({ type: 'cancel', job: message.id }));
    $('#jobs').prepend(item);
  }
  item.querySelector('.state').textContent = message.message ? `${message.state}: ${message.message}` : message.state;
  if (message.command) item.querySelector('code').textContent = message.command;
  if (message.progress !== undefined) item.querySelector('progress').value = message.progress;
  const finished = ['done', 'failed', 'cancelled'].includes(message.state);
  if (message.state === 'done') item.querySelector('progress').value = 1;
  item.querySelector('.cancel').hidden = finished;
  if (message.files) {
    const list = item.querySelector('.files');
    list.replaceChildren();
    for (const name of message.files) {
      const li = document.createElement('li');
      li.textContent = name;
      list.append(li);
    }
  }
  window.marl.jobs[message.id] = {
    state: message.state,
    command: item.querySelector('code').textContent,
    files: message.files || (window.marl.jobs[message.id] || {}).files || [],
  };
}

let refusalTimer;
function refused(message) {
  const box = $('#refusal');
  box.textContent = `${message.about}: ${message.message}`;
  box.hidden = false;
  clearTimeout(refusalTimer);
  refusalTimer = setTimeout(() => { box.hidden = true; }, 8000);
}

function saveHash() {
  history.replaceState(null, '', `${location.pathname}${location.search}#${new URLSearchParams(state)}`);
}

function recipeFromHash() {
  if (location.hash.length < 2) return null;
  const recipe = Object.fromEntries(new URLSearchParams(location.hash.slice(1)));
  return Object.keys(recipe).length ? recipe : null;
}

// What the page's other modules may use.
window.marlPage = {
  send,
  choose,
  askForCandidates,
  keepRecipe,
  on(type, handler) { (moduleHandlers[type] ||= []).push(handler); },
  state: () => state,
};

$('#more').addEventListener('click', () => askForCandidates());
$('#grid-palette').addEventListener('change', () => {
  $('#grid').replaceChildren();
  askForCandidates(true);
});
$('#colour-form').addEventListener('input', coloursChanged);
$('#colour-form').addEventListener('submit', (event) => event.preventDefault());
$('#keep-form').addEventListener('submit', (event) => {
  event.preventDefault();
  if (state) send({ type: 'keep', recipe: keepRecipe() });
});
window.addEventListener('hashchange', () => {
  const recipe = recipeFromHash();
  if (recipe) choose(recipe, null);
});
connect();
