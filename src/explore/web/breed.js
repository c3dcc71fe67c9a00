// The pictures already made (marl explore folder=DIR): shown beside the
// candidates, each chosen like one, so that a batch made elsewhere can be
// browsed, tuned and kept.

const page = window.marlPage;
const $ = (selector) => document.querySelector(selector);
// Read by the browser tests and the benchmark.
window.marl.folder = { asked: 0, shown: 0, refused: 0, done: false, loaded: 0 };

function askForFolder() {
  $('#folder-grid').replaceChildren();
  $('#folder-refusals ul').replaceChildren();
  Object.assign(window.marl.folder, { asked: performance.now(), shown: 0, refused: 0, done: false, loaded: 0 });
  $('#folder-status').textContent = 'reading…';
  page.send({ type: 'folder' });
}

page.on('hello', (message) => {
  if (message.folder) askForFolder();
});

page.on('folder', (message) => {
  if (!message.given) return;
  $('#folder').hidden = false;
  $('#folder-name').textContent = message.name;
  if (message.error) $('#folder-status').textContent = message.error;
});

page.on('folder-picture', (message) => {
  const card = document.createElement('button');
  card.type = 'button';
  card.className = 'card';
  card.dataset.id = message.id;
  const img = document.createElement('img');
  img.alt = message.name;
  img.decoding = 'async';
  img.addEventListener('load', () => { window.marl.folder.loaded += 1; }, { once: true });
  if (message.image) img.src = message.image;
  const label = document.createElement('span');
  label.textContent = message.name;
  card.append(img, label);
  card.addEventListener('click', () => page.choose(message.recipe, card));
  $('#folder-grid').append(card);
  window.marl.folder.shown += 1;
});

page.on('folder-image', (message) => {
  const img = document.querySelector(`#folder-grid [data-id="${message.id}"] img`);
  if (img) img.src = message.image;
});

page.on('folder-refused', (message) => {
  const li = document.createElement('li');
  li.textContent = message.message;
  $('#folder-refusals ul').append(li);
  window.marl.folder.refused += 1;
});

let candidatesAsked = false;

page.on('folder-done', (message) => {
  // The folder first, then the candidates: they would share the cores.
  if (!candidatesAsked) {
    candidatesAsked = true;
    const images = [...document.querySelectorAll('#folder-grid img')];
    Promise.all(images.map((i) => i.decode().catch(() => {}))).then(() => page.askForCandidates());
  }
  const f = window.marl.folder;
  f.done = true;
  f.seconds = (performance.now() - f.asked) / 1000;
  const parts = [`${message.shown} pictures`];
  if (message.refused) parts.push(`${message.refused} refused`);
  if (message.notPictures) parts.push(`${message.notPictures} other files`);
  if (message.leftOut) parts.push(`${message.leftOut} beyond the first 5000 left out`);
  $('#folder-status').textContent = parts.join(' · ');
  const refusals = $('#folder-refusals');
  refusals.hidden = message.refused === 0;
  refusals.querySelector('summary').textContent = `${message.refused} files not shown: why`;
});

$('#folder-again').addEventListener('click', askForFolder);

// Children of the view: mutations of its map, and crossings with a second
// picture picked from any grid.
const recipes = new Map();  // a card's id to its recipe
for (const type of ['candidate', 'folder-picture']) {
  page.on(type, (message) => recipes.set(message.id, message.recipe));
}
let brood = 0;
let picking = false;
window.marl.children = [];

function step() {
  return Number(Math.pow(10, Number($('#step').value)).toPrecision(2));
}

function newBrood() {
  brood += 1;
  $('#children-grid').replaceChildren();
  window.marl.children = [];
  return brood;
}

$('#step').addEventListener('input', () => { $('#step-value').textContent = String(step()); });

$('#mutate').addEventListener('click', () => {
  if (!page.state()) return;
  page.send({ type: 'mutate', recipe: page.state(), step: step(), count: 8, brood: newBrood() });
});

$('#cross').addEventListener('click', () => {
  if (!page.state()) return;
  picking = !picking;
  document.body.classList.toggle('picking', picking);
  $('#cross-status').textContent = picking ? 'click a second picture' : '';
});

// In the capture phase, so the picked card is not chosen as the view.
document.addEventListener('click', (event) => {
  const card = event.target.closest('.card');
  if (!picking || !card) return;
  event.stopPropagation();
  event.preventDefault();
  const other = recipes.get(card.dataset.id);
  if (!other) return;
  picking = false;
  document.body.classList.remove('picking');
  $('#cross-status').textContent = `crossed with ${card.querySelector('span').textContent}`;
  page.send({ type: 'cross', recipe: page.state(), other, brood: newBrood() });
}, true);

page.on('child', (message) => {
  if (message.brood !== brood) return;
  window.marl.children.push(message);
  const card = document.createElement('button');
  card.type = 'button';
  card.className = 'card';
  card.dataset.id = message.id;
  const label = document.createElement('span');
  const fill = `fill ${(message.fill * 100).toFixed(1)}%`;
  label.textContent = `#${String(message.number).padStart(6, '0')} · ${message.kind} · ${fill}`;
  if (message.rejected) {
    // Refused by the fill check, as a drawn map would be: shown, not adopted.
    card.disabled = true;
    label.textContent += ' · too empty';
    card.append(label);
  } else {
    recipes.set(message.id, message.recipe);
    const img = document.createElement('img');
    img.src = message.image;
    img.alt = `child ${message.number}`;
    card.append(img, label);
    card.addEventListener('click', () => page.choose(message.recipe, card));
  }
  $('#children-grid').append(card);
});

// A loop of the view: previewed small in seconds, kept at full size
// through the keep form's size, format and video.
window.marl.loop = { state: '', asked: 0 };

function loopWords() {
  const words = { frames: $('#loop-frames').value.trim() || '24' };
  const radius = $('#loop-radius').value.trim();
  const plane = $('#loop-plane').value.trim();
  if (radius) words.loop = radius;
  if (plane) words.plane = plane;
  return words;
}

$('#loop-preview').addEventListener('click', () => {
  if (!page.state()) return;
  window.marl.loop = { state: 'asked', asked: performance.now() };
  $('#loop-status').textContent = 'making the loop…';
  $('#loop-progress').hidden = false;
  $('#loop-progress').value = 0;
  page.send({ type: 'loop', recipe: { ...page.state(), ...loopWords() } });
});

$('#loop-keep').addEventListener('click', () => {
  if (!page.state()) return;
  const recipe = { ...page.keepRecipe(), ...loopWords() };
  if (!recipe.video) recipe.video = 'mp4';
  page.send({ type: 'keep', recipe });
});

page.on('loop', (message) => {
  window.marl.loop.state = message.state;
  if (message.progress !== undefined) $('#loop-progress').value = message.progress;
  if (message.state === 'running') return;
  $('#loop-progress').hidden = true;
  if (message.video) {
    const video = $('#loop-video');
    video.hidden = false;
    video.src = message.video;
    video.play().catch(() => {});
    $('#loop-status').textContent = '';
  } else {
    $('#loop-status').textContent = `the loop ${message.state}${message.message ? ': ' + message.message : ''}`;
  }
});
